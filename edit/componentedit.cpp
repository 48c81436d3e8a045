#include "componentedit.h"

#include "edit/mescla.h"
#include "kicadsym/symbolsexpr.h"
#include "library/componenttable.h"
#include "library/kicadsymdocument.h"
#include "library/librarydocument.h"
#include "platform/dialogs.h"

#include <QSet>
#include <QStringList>
#include <algorithm>
#include <functional>
#include <optional>

QByteArray substituiTodas(const QByteArray &texto, const QByteArray &procura,
                          const QByteArray &novo)
{
    if (procura.isEmpty())
        return texto;
    qsizetype at = texto.indexOf(procura);
    if (at < 0)
        return texto;
    QByteArray result;
    result.reserve(texto.size());
    qsizetype from = 0;
    while (at >= 0) {
        result.append(texto.constData() + from, at - from);
        result.append(novo);
        from = at + procura.size();
        at = texto.indexOf(procura, from);
    }
    result.append(texto.constData() + from, texto.size() - from);
    return result;
}

QByteArray prefixoDoTitulo(const QString &titulo)
{
    qsizetype start = 0;
    for (qsizetype i = titulo.size() - 1; i >= 0; --i) {
        const QChar c = titulo.at(i);
        if (c == u'\\' || c == u'/' || c == u':') {
            start = i + 1;
            break;
        }
    }
    QString nome = titulo.mid(start);
    const qsizetype dot = nome.lastIndexOf(u'.');
    if (dot >= 0)
        nome.truncate(dot);
    return nome.toLatin1();
}

namespace {

QByteArray asciiUpper(QByteArray text)
{
    for (char &c : text) {
        if (c >= 'a' && c <= 'z')
            c = char(c - 'a' + 'A');
    }
    return text;
}

// Edits every row of the edit table from the first to the last with its
// notifications suspended; `change` rewrites the row in the edit state.
template <typename F> void percorreEditando(ComponentTable &edicao, F &&change)
{
    if (edicao.isEmpty())
        return;
    edicao.first();
    edicao.suspendNotifications();
    while (!edicao.atEnd()) {
        edicao.edit();
        change();
        edicao.post();
        edicao.next();
    }
    edicao.resumeNotifications();
}

} // namespace

void tiraPrefixo(LibraryDocument &documento)
{
    ComponentTable &edicao = documento.table();
    const QByteArray prefixo = prefixoDoTitulo(documento.titulo());
    const QByteArray comoNoArquivo = prefixo + '-';
    const QByteArray maiusculo = asciiUpper(prefixo) + '-';
    documento.beginStep(QStringLiteral("Remover prefixo dos nomes"));
    percorreEditando(edicao, [&] {
        QByteArray nome = edicao.field(ComponentTable::Field::Nome);
        nome = substituiTodas(nome, comoNoArquivo, {});
        nome = substituiTodas(nome, maiusculo, {});
        edicao.setField(ComponentTable::Field::Nome, nome);
    });
    documento.endStep();
}

void poeNomeNosComandos(LibraryDocument &documento)
{
    ComponentTable &edicao = documento.table();
    documento.beginStep(QStringLiteral("Copiar nome para os comandos"));
    percorreEditando(edicao, [&] {
        const QByteArray nome = edicao.field(ComponentTable::Field::Nome);
        QByteArray texto = edicao.field(ComponentTable::Field::Comandos);
        texto = substituiTodas(texto, ">NAME", nome);
        texto = substituiTodas(texto, ">name", nome);
        texto = substituiTodas(texto, ">Name", nome);
        edicao.setField(ComponentTable::Field::Comandos, texto);
    });
    documento.endStep();
}

namespace {

const QString MensagemJaExiste =
    QStringLiteral("Já existe um componente com este nome na biblioteca atual!");

QString textoDaCopia(int n)
{
    return n == 1 ? QStringLiteral("Copiar 1 componente")
                  : QStringLiteral("Copiar %1 componentes").arg(n);
}

// What the copied rows become: the edit library's format decides; a new,
// empty library takes that of the first row copied.
struct Alvo
{
    LibraryFormat format = LibraryFormat::None;
    int version = KicadSymVersion::v6;
    LegacyCopyPlan legacy; // a .lib library's: what its .kicad_sym rows become
};

Alvo alvoDaCopia(const LibraryDocument &origem, const QList<int> &linhas,
                 const LibraryDocument &destino)
{
    Alvo a;
    a.format = formatOf(destino);
    a.version = kicadVersionOf(destino);
    if (a.format == LibraryFormat::None && !linhas.isEmpty())
        a.format = isKicadSymText(origem.table().comandosAt(linhas.first()))
                       ? LibraryFormat::KicadSym
                       : LibraryFormat::Legacy;
    return a;
}

// The version a .kicad_sym row of a document is in; `otherwise` when its
// library file does not say.
int versaoDaLinha(const LibraryDocument &doc, int row, int otherwise)
{
    const int b = doc.table().bibliotecaAt(row);
    const QList<LibraryFileInfo> &files = doc.bibliotecas();
    return b >= 0 && b < files.size() && files[b].kicad ? files[b].kicad->version : otherwise;
}

// Row `row` of the search library into a .kicad_sym edit library under
// `nome`: in the edit library's version, a legacy component with its aliases
// as derived symbols after it (an alias whose name is taken stays out).
// Returns the new row's identity.
quint64 copiaSimbolo(const LibraryDocument &origem, int row, LibraryDocument &destino,
                     const QByteArray &nome, const Alvo &alvo)
{
    const ComponentTable &pesquisa = origem.table();
    ComponentTable &edicao = destino.table();
    const QByteArray original = pesquisa.nameAt(row);
    const QByteArray comandos = pesquisa.comandosAt(row);
    QList<KicadSymRowText> rows;
    if (isKicadSymText(comandos)) {
        const bool same = versaoDaLinha(origem, row, alvo.version) == alvo.version;
        rows = {{original, same ? comandos : kicadSymInVersion(comandos, alvo.version)}};
    } else {
        rows = legacyAsKicadSym(comandos, origem.descricoesDaLinha(row), alvo.version);
        if (rows.isEmpty())
            rows = {{original, comandos}};
    }
    if (nome != original) {
        rows[0] = {nome, renameKicadSymText(rows[0].text, nome)};
        for (qsizetype k = 1; k < rows.size(); ++k)
            rows[k].text = setKicadSymParent(rows[k].text, nome);
    }
    quint64 id = 0;
    for (qsizetype k = 0; k < rows.size(); ++k) {
        if (k > 0 && edicao.indexOfName(rows[k].name) >= 0)
            continue;
        edicao.append();
        edicao.setField(ComponentTable::Field::Nome, rows[k].name);
        edicao.setField(ComponentTable::Field::Comandos, rows[k].text);
        edicao.post();
        if (k == 0)
            id = edicao.idAt(edicao.currentRow());
    }
    return id;
}

// Appends row `row` of the search library to the edit library under `nome`,
// with its descriptions (its own and its aliases', under the names they take
// in the copy). A copy under a new name is renamed in its text too, its
// aliases as `ocupados` requires, so the saved library reads back with it.
// Returns the new row's identity.
quint64 copiaLinha(const LibraryDocument &origem, int row, LibraryDocument &destino,
                   QByteArray nome, TakenNames *ocupados, const Alvo &alvo)
{
    if (alvo.format == LibraryFormat::KicadSym)
        return copiaSimbolo(origem, row, destino, nome, alvo);
    const ComponentTable &pesquisa = origem.table();
    ComponentTable &edicao = destino.table();
    QByteArray original = pesquisa.nameAt(row);
    QByteArray comandos = pesquisa.comandosAt(row);
    Descricoes convertidas;
    const Descricoes *descricoes = &origem.descricoesDaLinha(row);
    if (isKicadSymText(comandos)) {
        // Converted beforehand; an ALIAS went in with its root's component.
        const auto c = alvo.legacy.components.constFind(row);
        if (c == alvo.legacy.components.cend()) {
            const int holder = edicao.indexOfName(alvo.legacy.heldBy.value(row));
            return holder >= 0 ? edicao.idAt(holder) : 0;
        }
        if (nome == original)
            nome = c->nome;
        original = c->nome;
        comandos = c->comandos;
        for (const Descricao &d : c->descricoes)
            convertidas.acrescenta(d);
        descricoes = &convertidas;
    }
    RenamedCopy copia;
    copia.comandos = comandos;
    if (nome != original)
        copia = renameCopy(comandos, nome, *ocupados);
    edicao.append();
    edicao.setField(ComponentTable::Field::Nome, nome);
    edicao.setField(ComponentTable::Field::Comandos, copia.comandos);
    edicao.post();
    if (ocupados)
        ocupados->add(nome, copia.comandos);
    destino.addDescriptions(copiedEntries(*descricoes, original, comandos, nome, copia.aliases));
    return edicao.idAt(edicao.currentRow());
}

// Drops the edit library's current row with its descriptions.
void apagaLinha(LibraryDocument &destino)
{
    ComponentTable &edicao = destino.table();
    const QByteArray nome = edicao.field(ComponentTable::Field::Nome);
    const QByteArray comandos = edicao.field(ComponentTable::Field::Comandos);
    edicao.remove();
    destino.dropDescriptions(nome, comandos);
}

void avisaPais(const LibraryDocument &origem, const QList<int> &pais, DialogService &dialogs)
{
    if (pais.isEmpty())
        return;
    QStringList nomes;
    for (int p : pais)
        nomes << QString::fromUtf8(origem.table().nameAt(p));
    dialogs.message(Dialogs::Kind::Information,
                    QStringLiteral("Copiado junto, por ser a base de um símbolo copiado: %1")
                        .arg(nomes.join(QStringLiteral(", "))),
                    Dialogs::Button::Ok);
}

// The row of the search library a symbol derives from: of its own library
// file first (a folder may hold the name in several), -1 when none.
int linhaDoPai(const ComponentTable &pesquisa, int row, const QByteArray &pai)
{
    int any = -1;
    for (int r = 0; r < pesquisa.rowCount(); ++r) {
        if (pesquisa.nameAt(r) != pai)
            continue;
        if (pesquisa.bibliotecaAt(r) == pesquisa.bibliotecaAt(row))
            return r;
        if (any < 0)
            any = r;
    }
    return any;
}

} // namespace

QList<int> parentsToBring(const LibraryDocument &origem, const QList<int> &linhas,
                          const LibraryDocument &destino)
{
    const ComponentTable &pesquisa = origem.table();
    QList<int> out;
    QSet<QByteArray> chegam;
    for (int row : linhas)
        if (row >= 0 && row < pesquisa.rowCount())
            chegam.insert(pesquisa.nameAt(row));
    // Walks a chain up to a parent present; a cycle stops at a name seen.
    std::function<void(int)> bring = [&](int row) {
        const QByteArray t = pesquisa.comandosAt(row);
        if (!isKicadSymText(t))
            return;
        const QByteArray pai = kicadSymParent(t);
        if (pai.isEmpty() || chegam.contains(pai) || destino.table().indexOfName(pai) >= 0)
            return;
        const int p = linhaDoPai(pesquisa, row, pai);
        if (p < 0)
            return;
        chegam.insert(pai);
        bring(p);
        out << p;
    };
    for (int row : linhas)
        if (row >= 0 && row < pesquisa.rowCount())
            bring(row);
    return out;
}

LegacyCopyPlan legacyCopyPlan(const LibraryDocument &origem, const QList<int> &linhas)
{
    const ComponentTable &pesquisa = origem.table();
    LegacyCopyPlan plan;
    QList<int> rows;
    QList<Symbol> symbols;
    QHash<QByteArray, qsizetype> byName;
    for (int row : linhas) {
        if (row < 0 || row >= pesquisa.rowCount() || rows.contains(row) ||
            !isKicadSymText(pesquisa.comandosAt(row)))
            continue;
        const SymbolBuild b = buildSymbol(pesquisa.comandosAt(row));
        if (!b.ok()) {
            plan.losses.append(
                {pesquisa.nameAt(row), QStringLiteral("texto que não se lê (fica de fora)")});
            continue;
        }
        byName.insert(b.symbol.name, symbols.size());
        rows << row;
        symbols << b.symbol;
    }
    // A parent left behind lends its drawing: the symbol goes over whole.
    QHash<QByteArray, Symbol> parents;
    const auto parentOf = [&](const QByteArray &name) -> const Symbol * {
        if (!parents.contains(name)) {
            const int r = pesquisa.indexOfName(name);
            const SymbolBuild b = r >= 0 && isKicadSymText(pesquisa.comandosAt(r))
                                      ? buildSymbol(pesquisa.comandosAt(r))
                                      : SymbolBuild{};
            parents.insert(name, b.ok() ? b.symbol : Symbol{});
        }
        const Symbol &p = parents[name];
        return p.name.isEmpty() ? nullptr : &p;
    };
    QList<QByteArray> roots(symbols.size());
    for (qsizetype i = 0; i < symbols.size(); ++i) {
        QByteArray root = symbols[i].name;
        QSet<QByteArray> seen;
        for (qsizetype k = i; k >= 0 && !symbols[k].extends.isEmpty() && !seen.contains(root);) {
            seen.insert(root);
            root = symbols[k].extends;
            k = byName.value(root, -1);
            if (k < 0)
                root.clear();
        }
        roots[i] = root;
    }
    for (qsizetype i = 0; i < symbols.size(); ++i)
        if (roots[i].isEmpty() && resolveParent(symbols[i], parentOf))
            symbols[i].extends.clear();
    const LegacyConversion c = legacyLibrary(symbols);
    plan.losses << c.losses;
    // The legacy name of a symbol: blanks become '_', a hidden value a '~'.
    const auto legacyName = [](QByteArray n) { return n.replace(' ', '_'); };
    for (const LegacyComponent &comp : c.components) {
        const QByteArray name = comp.nome.startsWith('~') ? comp.nome.mid(1) : comp.nome;
        for (qsizetype i = 0; i < symbols.size(); ++i)
            if (legacyName(symbols[i].name) == name && !plan.components.contains(rows[i])) {
                plan.components.insert(rows[i], comp);
                break;
            }
    }
    for (qsizetype i = 0; i < symbols.size(); ++i)
        if (!plan.components.contains(rows[i])) {
            const qsizetype r = byName.value(roots[i], -1);
            if (r >= 0 && plan.components.contains(rows[r]))
                plan.heldBy.insert(rows[i], plan.components.value(rows[r]).nome);
        }
    return plan;
}

namespace {

// Into a .lib library, the .kicad_sym rows are converted first; what the
// legacy format cannot hold is listed and the user may stop there.
bool planeiaCopia(const LibraryDocument &origem, const QList<int> &linhas, Alvo &alvo,
                  DialogService &dialogs)
{
    if (alvo.format != LibraryFormat::Legacy)
        return true;
    alvo.legacy = legacyCopyPlan(origem, linhas);
    if (alvo.legacy.losses.isEmpty())
        return true;
    return dialogs.message(Dialogs::Kind::Warning,
                           QStringLiteral("Estes símbolos têm o que uma biblioteca .lib não "
                                          "guarda (fica de fora da cópia):\n%1\n\nCopiar "
                                          "mesmo assim?")
                               .arg(lossLines(alvo.legacy.losses).join(u'\n')),
                           Dialogs::Button::Yes | Dialogs::Button::Cancel) == Dialogs::Button::Yes;
}

} // namespace

QByteArray proximoNomeLivre(const ComponentTable &edicao, const QByteArray &nome)
{
    for (int k = 1;; ++k) {
        const QByteArray sufixo = '_' + QByteArray::number(k);
        // The suffix must survive the name's length limit.
        const QByteArray candidato =
            nome.left(ComponentTable::MaxNameBytes - sufixo.size()) + sufixo;
        if (edicao.indexOfName(candidato) < 0)
            return candidato;
    }
}

CopyResult copiaComponente(const LibraryDocument &origem, LibraryDocument &destino,
                           DialogService &dialogs)
{
    const ComponentTable &pesquisa = origem.table();
    ComponentTable &edicao = destino.table();
    if (pesquisa.isEmpty())
        return CopyResult::Nothing;
    const QByteArray nome = pesquisa.field(ComponentTable::Field::Nome);
    if (edicao.locate(u"nome_Componente", nome)) {
        dialogs.message(Dialogs::Kind::Error, MensagemJaExiste, Dialogs::Button::Ok);
        return CopyResult::Refused;
    }
    const int row = pesquisa.currentRow();
    Alvo alvo = alvoDaCopia(origem, {row}, destino);
    const QList<int> pais = parentsToBring(origem, {row}, destino);
    if (!planeiaCopia(origem, pais + QList<int>{row}, alvo, dialogs))
        return CopyResult::Refused;
    destino.beginStep(textoDaCopia(1));
    for (int p : pais)
        copiaLinha(origem, p, destino, pesquisa.nameAt(p), nullptr, alvo);
    const quint64 id = copiaLinha(origem, row, destino, nome, nullptr, alvo);
    destino.setModificado(true);
    edicao.sortByName();
    edicao.moveTo(edicao.rowOfId(id));
    destino.endStep(true);
    avisaPais(origem, pais, dialogs);
    return CopyResult::Copied;
}

CopiaVarias copiaComponentes(const LibraryDocument &origem, const QList<int> &linhas,
                             LibraryDocument &destino, DialogService &dialogs)
{
    const ComponentTable &pesquisa = origem.table();
    ComponentTable &edicao = destino.table();
    CopiaVarias r;
    Alvo alvo = alvoDaCopia(origem, linhas, destino);
    const QList<int> pais = parentsToBring(origem, linhas, destino);
    if (!planeiaCopia(origem, pais + linhas, alvo, dialogs))
        return CopiaVarias{0, 0, true};
    std::optional<Dialogs::Clash> paraTodos;
    // The edit library's names and aliases, gathered at the first rename.
    std::optional<TakenNames> ocupados;
    quint64 ultima = 0;
    destino.beginStep(textoDaCopia(int(linhas.size())));
    for (int p : pais)
        copiaLinha(origem, p, destino, pesquisa.nameAt(p), nullptr, alvo);
    for (int row : linhas) {
        if (row < 0 || row >= pesquisa.rowCount())
            continue;
        QByteArray nome = pesquisa.nameAt(row);
        if (alvo.legacy.heldBy.contains(row)) {
            // An ALIAS now, it came with its root's component.
            ++r.copiados;
            continue;
        }
        if (const int existente = edicao.indexOfName(nome); existente >= 0) {
            Dialogs::Clash escolha;
            if (paraTodos) {
                escolha = *paraTodos;
            } else {
                const Dialogs::ClashAnswer a = dialogs.clash(QString::fromLatin1(nome));
                escolha = a.choice;
                if (a.applyToAll)
                    paraTodos = escolha;
            }
            if (escolha == Dialogs::Clash::Cancel) {
                destino.abortStep();
                return CopiaVarias{0, 0, true};
            }
            if (escolha == Dialogs::Clash::Skip) {
                ++r.pulados;
                continue;
            }
            if (escolha == Dialogs::Clash::Replace) {
                edicao.moveTo(existente);
                apagaLinha(destino);
                ocupados.reset();
            } else {
                nome = proximoNomeLivre(edicao, nome);
                if (!ocupados)
                    ocupados.emplace(edicao);
            }
        }
        ultima = copiaLinha(origem, row, destino, nome, ocupados ? &*ocupados : nullptr, alvo);
        ++r.copiados;
    }
    if (r.copiados > 0 || !pais.isEmpty()) {
        destino.setModificado(true);
        edicao.sortByName();
        edicao.moveTo(edicao.rowOfId(ultima));
    }
    destino.endStep(true);
    avisaPais(origem, pais, dialogs);
    return r;
}

void renomeiaSimbolo(LibraryDocument &documento, int linha, const QByteArray &novo)
{
    ComponentTable &edicao = documento.table();
    if (linha < 0 || linha >= edicao.rowCount())
        return;
    edicao.moveTo(linha);
    edicao.storePending();
    const QByteArray antigo = edicao.nameAt(linha);
    const quint64 id = edicao.idAt(linha);
    QList<quint64> filhos;
    for (int f : derivedRows(edicao, antigo))
        filhos << edicao.idAt(f);
    documento.beginStep(QStringLiteral("Renomear %1").arg(QString::fromUtf8(antigo)));
    edicao.edit();
    edicao.setField(ComponentTable::Field::Nome, novo);
    edicao.setField(ComponentTable::Field::Comandos,
                    renameKicadSymText(edicao.field(ComponentTable::Field::Comandos),
                                       edicao.field(ComponentTable::Field::Nome)));
    edicao.post();
    const QByteArray nome = edicao.nameAt(edicao.rowOfId(id));
    for (quint64 f : filhos) {
        edicao.moveTo(edicao.rowOfId(f));
        edicao.edit();
        edicao.setField(ComponentTable::Field::Comandos,
                        setKicadSymParent(edicao.field(ComponentTable::Field::Comandos), nome));
        edicao.post();
    }
    edicao.moveTo(edicao.rowOfId(id));
    documento.endStep();
}

bool confirmaApagar(const LibraryDocument &documento, const QList<int> &linhas,
                    DialogService &dialogs)
{
    const ComponentTable &edicao = documento.table();
    QSet<int> apagadas(linhas.begin(), linhas.end());
    QStringList perguntas;
    for (int linha : linhas) {
        if (linha < 0 || linha >= edicao.rowCount())
            continue;
        QStringList filhos;
        for (int f : derivedRows(edicao, edicao.nameAt(linha)))
            if (!apagadas.contains(f))
                filhos << QString::fromUtf8(edicao.nameAt(f));
        if (!filhos.isEmpty())
            perguntas << QStringLiteral("%1 é a base de %2.")
                             .arg(QString::fromUtf8(edicao.nameAt(linha)),
                                  filhos.join(QStringLiteral(", ")));
    }
    if (perguntas.isEmpty())
        return true;
    return dialogs.message(Dialogs::Kind::Confirmation,
                           perguntas.join(u'\n') + QStringLiteral(" Excluir mesmo assim?"),
                           Dialogs::Button::Yes | Dialogs::Button::Cancel) == Dialogs::Button::Yes;
}

bool apagaComponente(LibraryDocument &documento)
{
    ComponentTable &edicao = documento.table();
    if (edicao.isEmpty())
        return false;
    documento.setModificado(true);
    documento.beginStep(QStringLiteral("Apagar %1")
                            .arg(QString::fromLatin1(edicao.field(ComponentTable::Field::Nome))));
    apagaLinha(documento);
    documento.endStep();
    return true;
}

bool apagaComponentes(LibraryDocument &documento, QList<int> linhas)
{
    ComponentTable &edicao = documento.table();
    linhas.removeIf([&](int linha) { return linha < 0 || linha >= edicao.rowCount(); });
    // From the last row up, so that each index still names its row.
    std::sort(linhas.begin(), linhas.end(), std::greater<>());
    linhas.erase(std::unique(linhas.begin(), linhas.end()), linhas.end());
    if (linhas.size() <= 1) {
        if (linhas.isEmpty())
            return false;
        edicao.moveTo(linhas.first());
        return apagaComponente(documento);
    }
    documento.setModificado(true);
    PassagemEmMassa passagem(documento);
    documento.beginStep(QStringLiteral("Apagar %1 componentes").arg(linhas.size()));
    for (int linha : linhas) {
        edicao.moveTo(linha);
        apagaLinha(documento);
    }
    documento.endStep();
    return true;
}

#include "dcmfile.h"

#include "componentrename.h"
#include "componenttable.h"
#include "library/kicadsymdocument.h"
#include "linelist.h"

#include <QFile>
#include <QFileInfo>
#include <QSet>

#include <algorithm>
#include <optional>
#include <vector>

namespace {

constexpr qint64 ChunkSize = 1 << 20;

bool eBranco(char c)
{
    return c == ' ' || c == '\t';
}

// A value written into a line of its own must not break it.
QByteArray semQuebras(QByteArray s)
{
    s.replace('\r', ' ');
    s.replace('\n', ' ');
    return s;
}

} // namespace

// --- Descricao -------------------------------------------------------------------

namespace {

// Calls f(inicio, fim, proxima) for each line of [inicio, end) of `dados`
// (ends as paraCadaLinha cuts them): the line is [inicio, fim), the next one
// starts at proxima.
template <typename F> void paraCadaFaixa(const char *base, qsizetype inicio, qsizetype end, F &&f)
{
    const char *p = base + inicio;
    const char *const e = base + end;
    while (p < e) {
        const char *q = procuraQuebra(p, e);
        const char *prox = q;
        if (q < e) {
            ++prox;
            if (*q == '\r' && prox < e && *prox == '\n')
                ++prox;
        }
        f(p - base, q - base, prox - base);
        p = prox;
    }
}

} // namespace

Descricao Descricao::deBloco(const QByteArray &dados, qsizetype inicio, qsizetype fim)
{
    Descricao d;
    d.m_dados = dados;
    d.m_inicio = inicio;
    d.m_fim = fim;
    const char *const base = dados.constData();
    bool primeira = true;
    paraCadaFaixa(base, inicio, fim, [&](qsizetype b, qsizetype e, qsizetype) {
        const QByteArrayView l(base + b, e - b);
        if (primeira) {
            primeira = false;
            qsizetype i = qMin<qsizetype>(4, l.size());
            qsizetype j = l.size();
            while (i < j && eBranco(l[i]))
                ++i;
            while (j > i && eBranco(l[j - 1]))
                --j;
            d.m_nome = {b + i, j - i};
            return;
        }
        // Only a line after the $CMP line closes the block.
        d.m_fechada = l.startsWith("$ENDCMP");
        if (l.isEmpty() || (l.size() > 1 && l[1] != ' '))
            return;
        const Faixa valor{b + qMin<qsizetype>(2, l.size()), qMax<qsizetype>(0, l.size() - 2)};
        switch (l[0]) {
        case 'D':
            d.m_descricao = valor;
            break;
        case 'K':
            d.m_palavras = valor;
            break;
        case 'F':
            d.m_datasheet = valor;
            break;
        default:
            break;
        }
    });
    return d;
}

Descricao Descricao::nova(const QByteArray &nome, const QByteArray &descricao,
                          const QByteArray &palavras, const QByteArray &datasheet)
{
    QByteArray texto = "$CMP " + semQuebras(nome) + "\r\n";
    if (!descricao.isEmpty())
        texto += "D " + semQuebras(descricao) + "\r\n";
    if (!palavras.isEmpty())
        texto += "K " + semQuebras(palavras) + "\r\n";
    if (!datasheet.isEmpty())
        texto += "F " + semQuebras(datasheet) + "\r\n";
    texto += "$ENDCMP\r\n";
    return deBloco(texto, 0, texto.size());
}

QList<QByteArray> Descricao::linhas() const
{
    QList<QByteArray> out;
    paraCadaFaixa(m_dados.constData(), m_inicio, m_fim, [&](qsizetype b, qsizetype e, qsizetype) {
        out.append(QByteArray(m_dados.constData() + b, e - b));
    });
    return out;
}

Descricao Descricao::renomeada(const QByteArray &novoNome) const
{
    // What follows the $CMP line stays as it is, line ends included.
    qsizetype resto = m_fim;
    paraCadaFaixa(m_dados.constData(), m_inicio, m_fim, [&](qsizetype, qsizetype, qsizetype prox) {
        if (resto == m_fim)
            resto = prox;
    });
    QByteArray texto = "$CMP " + semQuebras(novoNome);
    if (resto < m_fim) {
        texto += "\r\n";
        texto.append(m_dados.constData() + resto, m_fim - resto);
    }
    return deBloco(texto, 0, texto.size());
}

bool Descricao::operator==(const Descricao &o) const
{
    return texto() == o.texto() || linhas() == o.linhas();
}

// --- matching ----------------------------------------------------------------------

QList<ComponenteDcm> componentesDe(const ComponentTable &table)
{
    QList<ComponenteDcm> out;
    out.reserve(table.rowCount());
    for (int r = 0; r < table.rowCount(); ++r)
        out.append({table.nameAt(r), table.comandosAt(r)});
    return out;
}

void aliasesDaLinha(QByteArrayView linha, QList<QByteArray> &nomes, QSet<QByteArray> &vistos)
{
    const char *p = linha.data();
    const char *const end = p + linha.size();
    while (p < end && eBranco(*p))
        ++p;
    if (end - p < 5 || (*p != 'A' && *p != 'a'))
        return;
    const char *w = p;
    while (p < end && !eBranco(*p))
        ++p;
    if (p - w != 5 || qstrnicmp(w, "ALIAS", 5) != 0)
        return;
    while (p < end) {
        while (p < end && eBranco(*p))
            ++p;
        const char *b = p;
        while (p < end && !eBranco(*p))
            ++p;
        if (p > b) {
            QByteArray nome(b, p - b);
            if (!vistos.contains(nome)) {
                vistos.insert(nome);
                nomes.append(std::move(nome));
            }
        }
    }
}

QList<QByteArray> aliasesDe(const QByteArray &comandos)
{
    QList<QByteArray> out;
    QSet<QByteArray> vistos; // a hostile ALIAS line may hold millions of names
    paraCadaLinha(comandos, [&](const QByteArray &linha) { aliasesDaLinha(linha, out, vistos); });
    return out;
}

namespace {

} // namespace

QList<QByteArray> nomesDoComponente(const QByteArray &nome, const QByteArray &comandos)
{
    QList<QByteArray> nomes;
    const QByteArray proprio = dcmName(nome);
    if (!proprio.isEmpty())
        nomes.append(proprio);
    for (QByteArray &a : aliasesDe(comandos)) {
        if (a != proprio)
            nomes.append(std::move(a));
    }
    return nomes;
}

QList<Descricao> entradasDoComponente(const Descricoes &d, const QByteArray &nome,
                                      const QByteArray &comandos)
{
    // A .kicad_sym symbol holds its own description in its properties.
    if (isKicadSymText(comandos))
        return {kicadSymDescricao(nome, comandos)};
    QList<Descricao> out;
    for (const QByteArray &n : nomesDoComponente(nome, comandos)) {
        if (const Descricao *e = d.procura(n))
            out.append(*e);
    }
    return out;
}

void copiaEntradas(const Descricoes &de, Descricoes &para, const QByteArray &nome,
                   const QByteArray &comandos)
{
    // Entries already there belong to other components: they stay.
    para.poeAntes(entradasDoComponente(de, nome, comandos));
}

void removeEntradas(Descricoes &d, const QByteArray &nome, const QByteArray &comandos)
{
    d.remove(nomesDoComponente(nome, comandos));
}

// --- Descricoes ------------------------------------------------------------------

QList<Descricoes::Parte> Descricoes::partes() const
{
    QList<Parte> out;
    out.reserve(m_partes.size() - m_lacunas);
    for (const Lugar &l : m_partes) {
        if (const Descricao *e = std::get_if<Descricao>(&l))
            out.append(*e);
        else if (const QByteArray *b = std::get_if<QByteArray>(&l))
            out.append(*b);
    }
    return out;
}

QList<Descricao> Descricoes::entradas() const
{
    QList<Descricao> out;
    out.reserve(m_entradas);
    for (const Lugar &l : m_partes) {
        if (const Descricao *e = std::get_if<Descricao>(&l))
            out.append(*e);
    }
    return out;
}

const Descricao *Descricoes::procura(QByteArrayView nome) const
{
    const auto it = m_indice.constFind(nome);
    if (it == m_indice.cend())
        return nullptr;
    return &std::get<Descricao>(m_partes[it->back()]);
}

QList<Descricao> Descricoes::todas(QByteArrayView nome) const
{
    QList<Descricao> out;
    const auto it = m_indice.constFind(nome);
    if (it == m_indice.cend())
        return out;
    for (qsizetype p : *it)
        out.append(std::get<Descricao>(m_partes[p]));
    return out;
}

void Descricoes::indexa(qsizetype posicao)
{
    const QByteArrayView nome = std::get<Descricao>(m_partes[posicao]).nome();
    if (!nome.isEmpty())
        m_indice[nome].append(posicao);
}

void Descricoes::reserva(qsizetype partes, qsizetype entradas)
{
    m_partes.reserve(partes);
    m_indice.reserve(entradas);
}

void Descricoes::acrescenta(const Descricao &entrada)
{
    m_partes.append(entrada);
    indexa(m_partes.size() - 1);
    ++m_entradas;
}

void Descricoes::acrescentaLinha(const QByteArray &linha)
{
    m_partes.append(linha);
}

void Descricoes::reindexa()
{
    m_indice.clear();
    m_entradas = 0;
    m_lacunas = 0;
    for (qsizetype i = 0; i < m_partes.size(); ++i) {
        if (std::holds_alternative<Descricao>(m_partes[i])) {
            ++m_entradas;
            indexa(i);
        } else if (std::holds_alternative<std::monostate>(m_partes[i])) {
            ++m_lacunas;
        }
    }
}

template <typename Lista> void Descricoes::apaga(const Lista &posicoes)
{
    for (qsizetype p : posicoes) {
        if (std::holds_alternative<Descricao>(m_partes[p]))
            --m_entradas;
        m_partes[p] = std::monostate{};
        ++m_lacunas;
    }
    if (m_lacunas <= 64 || 2 * m_lacunas <= m_partes.size())
        return;
    QList<Lugar> cheias;
    cheias.reserve(m_partes.size() - m_lacunas);
    for (Lugar &l : m_partes) {
        if (!std::holds_alternative<std::monostate>(l))
            cheias.append(std::move(l));
    }
    m_partes = std::move(cheias);
    m_lacunas = 0;
    reindexa();
}

void Descricoes::poe(const QList<Descricao> &entradas)
{
    QList<qsizetype> apagar;
    for (const Descricao &e : entradas) {
        const auto it = m_indice.find(e.nome());
        if (e.nome().isEmpty() || it == m_indice.end()) {
            acrescenta(e);
            continue;
        }
        const qsizetype primeira = it->front();
        for (qsizetype k = 1; k < it->size(); ++k)
            apagar.append((*it)[k]);
        // The key views the name in the entry being replaced: key it anew.
        m_indice.erase(it);
        m_partes[primeira] = e;
        indexa(primeira);
    }
    apaga(apagar);
}

void Descricoes::remove(const QList<QByteArray> &nomes)
{
    QList<qsizetype> apagar;
    for (const QByteArray &n : nomes) {
        if (n.isEmpty())
            continue;
        const auto it = m_indice.find(n);
        if (it == m_indice.end())
            continue;
        for (qsizetype k : *it)
            apagar.append(k);
        m_indice.erase(it);
    }
    apaga(apagar);
}

void Descricoes::poeAntes(const QList<Descricao> &entradas)
{
    QList<QByteArray> nomes;
    QHash<QByteArray, QList<Descricao>> porNome;
    for (const Descricao &e : entradas) {
        const QByteArray nome = e.nome().toByteArray();
        if (!porNome.contains(nome))
            nomes.append(nome);
        porNome[nome].append(e);
    }
    for (const QByteArray &nome : nomes) {
        const QList<Descricao> antigas = todas(nome);
        remove({nome});
        for (const Descricao &e : porNome.value(nome))
            acrescenta(e);
        for (const Descricao &e : antigas)
            acrescenta(e);
    }
}

void Descricoes::renomeia(const QByteArray &antigo, const QByteArray &novo)
{
    if (antigo == novo || antigo.isEmpty())
        return;
    QList<Descricao> movidas = todas(antigo);
    if (movidas.isEmpty())
        return;
    for (Descricao &e : movidas)
        e = e.renomeada(novo);
    remove({antigo});
    poeAntes(movidas);
}

// --- reading ---------------------------------------------------------------------

namespace {

bool eLinhaCmp(QByteArrayView l)
{
    return l.startsWith("$CMP") && (l.size() == 4 || eBranco(l[4]));
}

// One part as the reader first finds it: an entry, or a line outside every
// entry as a range of the data (most of those are layout the writer puts
// back, and are never copied).
struct ParteLida
{
    std::optional<Descricao> entrada;
    qsizetype inicio = 0;
    qsizetype fim = 0;
};

bool eLinha(const QByteArray &dados, const ParteLida &p, QByteArrayView texto)
{
    return !p.entrada && QByteArrayView(dados.constData() + p.inicio, p.fim - p.inicio) == texto;
}

} // namespace

LeituraDcm leDescricoes(const QByteArray &dados)
{
    LeituraDcm out;
    // Split the data into entries and outside lines, all kept; the header
    // line is only noted.
    std::vector<ParteLida> partes;
    // KiCad writes about 100 bytes a part (an entry and its "#" line); a
    // file of long lines gets no more room than a large library needs.
    partes.reserve(size_t(qMin<qsizetype>(dados.size() / 64, 1 << 16)));
    const char *const base = dados.constData();
    qsizetype bloco = -1; // where the open entry began
    bool primeira = true;
    qsizetype entradas = 0;
    auto fecha = [&](qsizetype fim) {
        partes.push_back({Descricao::deBloco(dados, bloco, fim), 0, 0});
        bloco = -1;
        ++entradas;
    };
    paraCadaFaixa(base, 0, dados.size(), [&](qsizetype b, qsizetype e, qsizetype prox) {
        const QByteArrayView l(base + b, e - b);
        const bool eraPrimeira = primeira;
        primeira = false;
        if (bloco >= 0) {
            if (eLinhaCmp(l)) {
                fecha(b);
                bloco = b;
            } else if (l.startsWith("$ENDCMP")) {
                fecha(prox);
            }
            return;
        }
        if (eraPrimeira && l.startsWith("EESchema-DOCLIB"))
            out.cabecalho = true;
        else if (eLinhaCmp(l))
            bloco = b;
        else
            partes.push_back({std::nullopt, b, e});
    });
    if (bloco >= 0)
        fecha(dados.size());

    // Drop the lines the writer puts back itself: the last closing line, and
    // a "#" right before an entry or before that closing line.
    qsizetype fim = qsizetype(partes.size()) - 1;
    while (fim >= 0 && !eLinha(dados, partes[size_t(fim)], FimDcm))
        --fim;
    Descricoes &d = out.descricoes;
    d.reserva(qsizetype(partes.size()), entradas);
    for (qsizetype i = 0; i < qsizetype(partes.size()); ++i) {
        ParteLida &p = partes[size_t(i)];
        if (p.entrada) {
            d.acrescenta(std::move(*p.entrada));
            continue;
        }
        if (i == fim)
            continue;
        const bool separador = eLinha(dados, p, "#") && i + 1 < qsizetype(partes.size()) &&
                               (i + 1 == fim || partes[size_t(i + 1)].entrada);
        if (!separador)
            d.acrescentaLinha(QByteArray(base + p.inicio, p.fim - p.inicio));
    }
    return out;
}

LeituraDcm leDescricoes(QIODevice &in)
{
    // The whole file in one buffer of its size: the entries keep it.
    QByteArray dados;
    qsizetype usado = 0;
    if (!in.isSequential())
        dados.resize(qMax<qint64>(0, in.size() - in.pos()) + 1);
    for (;;) {
        if (usado == dados.size())
            dados.resize(qMax<qsizetype>(ChunkSize, 2 * dados.size()));
        const qint64 got = in.read(dados.data() + usado, dados.size() - usado);
        if (got < 0) {
            dados.resize(usado);
            LeituraDcm out = leDescricoes(dados);
            out.resultado = FileResult::failure(in.errorString());
            return out;
        }
        if (got == 0)
            break;
        usado += got;
    }
    dados.resize(usado);
    if (dados.capacity() - usado > usado / 8 + 4096)
        dados.squeeze();
    return leDescricoes(dados);
}

LeituraDcm carregaDescricoes(const QString &path)
{
    const QFileInfo info(path);
    if (!info.exists())
        return {};
    if (info.isDir()) {
        LeituraDcm out;
        out.resultado =
            FileResult::failure(QStringLiteral("\"%1\" é uma pasta, não um arquivo.").arg(path));
        return out;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        LeituraDcm out;
        out.resultado = FileResult::failure(file.errorString());
        return out;
    }
    return leDescricoes(file);
}

QString caminhoDcm(const QString &caminhoBiblioteca)
{
    const QFileInfo info(caminhoBiblioteca);
    const QString base =
        info.suffix().isEmpty()
            ? caminhoBiblioteca
            : caminhoBiblioteca.left(caminhoBiblioteca.size() - info.suffix().size() - 1);
    return base + QStringLiteral(".dcm");
}

// --- writing ---------------------------------------------------------------------

namespace {

void poeLinha(QByteArray &out, QByteArrayView l)
{
    out += l;
    out += "\r\n";
}

void poeEntrada(QByteArray &out, const Descricao &e)
{
    poeLinha(out, "#");
    const QByteArrayView t = e.texto();
    paraCadaFaixa(t.data(), 0, t.size(),
                  [&](qsizetype b, qsizetype f, qsizetype) { poeLinha(out, t.sliced(b, f - b)); });
    if (!e.fechada())
        poeLinha(out, "$ENDCMP");
}

} // namespace

FileResult gravaDescricoes(QIODevice &out, const QList<ComponenteDcm> &componentes,
                           const Descricoes &d)
{
    const QList<Descricoes::Parte> &partes = d.partes();
    QByteArray bytes;
    qsizetype tamanho = 64;
    for (const Descricoes::Parte &p : partes) {
        const Descricao *e = std::get_if<Descricao>(&p);
        tamanho += e ? e->texto().size() + 16 : std::get<QByteArray>(p).size() + 2;
    }
    bytes.reserve(tamanho);
    poeLinha(bytes, CabecalhoDcm);

    // Positions of each name's entries, in set order.
    QHash<QByteArrayView, QVarLengthArray<qsizetype, 1>> porNome;
    porNome.reserve(d.quantasEntradas());
    for (qsizetype i = 0; i < partes.size(); ++i) {
        if (const Descricao *e = std::get_if<Descricao>(&partes[i]); e && !e->nome().isEmpty())
            porNome[e->nome()].append(i);
    }
    QList<bool> escrita(partes.size(), false);
    for (const ComponenteDcm &c : componentes) {
        if (porNome.isEmpty())
            break;
        for (const QByteArray &n : nomesDoComponente(c.nome, c.comandos)) {
            // take(): a name shared by two components is written once.
            for (qsizetype i : porNome.take(n)) {
                poeEntrada(bytes, std::get<Descricao>(partes[i]));
                escrita[i] = true;
            }
        }
    }
    for (qsizetype i = 0; i < partes.size(); ++i) {
        if (escrita[i])
            continue;
        if (const Descricao *e = std::get_if<Descricao>(&partes[i]))
            poeEntrada(bytes, *e);
        else
            poeLinha(bytes, std::get<QByteArray>(partes[i]));
    }
    poeLinha(bytes, "#");
    poeLinha(bytes, FimDcm);
    if (!escreveTudo(out, bytes.constData(), bytes.size()))
        return FileResult::failure(out.errorString());
    return {};
}

FileResult salvaDescricoes(const QString &path, const QList<ComponenteDcm> &componentes,
                           const Descricoes &d)
{
    if (d.semEntradas())
        return {};
    return gravaComSeguranca(path,
                             [&](QIODevice &out) { return gravaDescricoes(out, componentes, d); });
}

#include "dcmfile.h"

#include "componenttable.h"
#include "linelist.h"

#include <QFile>
#include <QFileInfo>
#include <QSet>

#include <algorithm>

namespace {

constexpr qint64 ChunkSize = 1 << 20;

bool eBranco(char c)
{
    return c == ' ' || c == '\t';
}

QByteArray aparaBrancos(const QByteArray &s)
{
    qsizetype b = 0;
    qsizetype e = s.size();
    while (b < e && eBranco(s[b]))
        ++b;
    while (e > b && eBranco(s[e - 1]))
        --e;
    return s.mid(b, e - b);
}

bool eLinhaCmp(const QByteArray &l)
{
    return l.startsWith("$CMP") && (l.size() == 4 || eBranco(l[4]));
}

bool eLinhaFimCmp(const QByteArray &l)
{
    return l.startsWith("$ENDCMP");
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

Descricao Descricao::deLinhas(QList<QByteArray> linhas)
{
    Descricao d;
    if (!linhas.isEmpty()) {
        const QByteArray &cmp = linhas.front();
        d.m_nome = aparaBrancos(cmp.mid(qMin<qsizetype>(4, cmp.size())));
    }
    for (qsizetype i = 1; i < linhas.size(); ++i) {
        const QByteArray &l = linhas[i];
        if (l.isEmpty() || (l.size() > 1 && l[1] != ' '))
            continue;
        const QByteArray valor = l.mid(2);
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
    }
    d.m_linhas = std::move(linhas);
    return d;
}

Descricao Descricao::nova(const QByteArray &nome, const QByteArray &descricao,
                          const QByteArray &palavras, const QByteArray &datasheet)
{
    QList<QByteArray> linhas{"$CMP " + semQuebras(nome)};
    if (!descricao.isEmpty())
        linhas.append("D " + semQuebras(descricao));
    if (!palavras.isEmpty())
        linhas.append("K " + semQuebras(palavras));
    if (!datasheet.isEmpty())
        linhas.append("F " + semQuebras(datasheet));
    linhas.append("$ENDCMP");
    return deLinhas(std::move(linhas));
}

bool Descricao::fechada() const
{
    return m_linhas.size() >= 2 && eLinhaFimCmp(m_linhas.back());
}

Descricao Descricao::renomeada(const QByteArray &novoNome) const
{
    Descricao d = *this;
    const QByteArray cmp = "$CMP " + semQuebras(novoNome);
    if (d.m_linhas.isEmpty())
        d.m_linhas.append(cmp);
    else
        d.m_linhas[0] = cmp;
    d.m_nome = aparaBrancos(semQuebras(novoNome));
    return d;
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

QList<QByteArray> aliasesDe(const QByteArray &comandos)
{
    QList<QByteArray> out;
    QSet<QByteArray> vistos; // a hostile ALIAS line may hold millions of names
    paraCadaLinha(comandos, [&](const QByteArray &linha) {
        const char *p = linha.constData();
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
                    out.append(std::move(nome));
                }
            }
        }
    });
    return out;
}

namespace {

// The component's own name, then its aliases, each once, none empty.
QList<QByteArray> nomesDoComponente(const QByteArray &nome, const QByteArray &comandos)
{
    QList<QByteArray> nomes;
    if (!nome.isEmpty())
        nomes.append(nome);
    for (QByteArray &a : aliasesDe(comandos)) {
        if (a != nome)
            nomes.append(std::move(a));
    }
    return nomes;
}

} // namespace

QList<Descricao> entradasDoComponente(const Descricoes &d, const QByteArray &nome,
                                      const QByteArray &comandos)
{
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
    para.poe(entradasDoComponente(de, nome, comandos));
}

void removeEntradas(Descricoes &d, const QByteArray &nome, const QByteArray &comandos)
{
    d.remove(nomesDoComponente(nome, comandos));
}

// --- Descricoes ------------------------------------------------------------------

QList<Descricao> Descricoes::entradas() const
{
    QList<Descricao> out;
    out.reserve(m_entradas);
    for (const Parte &p : m_partes) {
        if (const Descricao *e = std::get_if<Descricao>(&p))
            out.append(*e);
    }
    return out;
}

const Descricao *Descricoes::procura(const QByteArray &nome) const
{
    const auto it = m_indice.constFind(nome);
    if (it == m_indice.cend() || it->isEmpty())
        return nullptr;
    return &std::get<Descricao>(m_partes[it->back()]);
}

void Descricoes::acrescenta(const Descricao &entrada)
{
    if (!entrada.nome().isEmpty())
        m_indice[entrada.nome()].append(m_partes.size());
    m_partes.append(entrada);
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
    for (qsizetype i = 0; i < m_partes.size(); ++i) {
        if (const Descricao *e = std::get_if<Descricao>(&m_partes[i])) {
            ++m_entradas;
            if (!e->nome().isEmpty())
                m_indice[e->nome()].append(i);
        }
    }
}

namespace {

// Erases the parts at `posicoes` (any order, no repeats).
void apagaPartes(QList<Descricoes::Parte> &partes, QList<qsizetype> posicoes)
{
    std::sort(posicoes.begin(), posicoes.end(), std::greater<>());
    for (qsizetype p : posicoes)
        partes.removeAt(p);
}

} // namespace

void Descricoes::poe(const QList<Descricao> &entradas)
{
    QList<qsizetype> apagar;
    for (const Descricao &e : entradas) {
        const auto it = m_indice.find(e.nome());
        if (e.nome().isEmpty() || it == m_indice.end() || it->isEmpty()) {
            acrescenta(e);
            continue;
        }
        m_partes[it->front()] = e;
        apagar += it->mid(1);
        it->resize(1);
    }
    if (!apagar.isEmpty()) {
        apagaPartes(m_partes, apagar);
        reindexa();
    }
}

void Descricoes::remove(const QList<QByteArray> &nomes)
{
    QList<qsizetype> apagar;
    for (const QByteArray &n : nomes) {
        if (!n.isEmpty())
            apagar += m_indice.take(n);
    }
    if (!apagar.isEmpty()) {
        apagaPartes(m_partes, apagar);
        reindexa();
    }
}

void Descricoes::renomeia(const QByteArray &antigo, const QByteArray &novo)
{
    if (antigo == novo || antigo.isEmpty() || !m_indice.contains(antigo))
        return;
    const QList<qsizetype> posicoes = m_indice.take(antigo);
    for (qsizetype p : posicoes)
        m_partes[p] = std::get<Descricao>(m_partes[p]).renomeada(novo);
    const QByteArray nomeNovo =
        posicoes.isEmpty() ? novo : std::get<Descricao>(m_partes[posicoes.front()]).nome();
    const QList<qsizetype> substituidas = m_indice.take(nomeNovo);
    if (substituidas.isEmpty()) {
        // Renaming alone moves nothing: the index just follows the name.
        if (!nomeNovo.isEmpty())
            m_indice.insert(nomeNovo, posicoes);
        return;
    }
    apagaPartes(m_partes, substituidas);
    reindexa();
}

// --- reading ---------------------------------------------------------------------

namespace {

// Splits the data into entries and outside lines, all kept; the header line
// is only noted.
class LeitorDcm
{
public:
    explicit LeitorDcm(bool &cabecalho) : m_cabecalho(cabecalho) {}

    void linha(const QByteArray &l)
    {
        const bool primeira = m_primeira;
        m_primeira = false;
        if (m_aberta) {
            if (eLinhaCmp(l)) {
                fecha();
                m_bloco = {l};
                m_aberta = true;
                return;
            }
            m_bloco.append(l);
            if (eLinhaFimCmp(l))
                fecha();
            return;
        }
        if (primeira && l.startsWith("EESchema-DOCLIB")) {
            m_cabecalho = true;
        } else if (eLinhaCmp(l)) {
            m_bloco = {l};
            m_aberta = true;
        } else {
            partes.append(l);
        }
    }

    void termina()
    {
        if (m_aberta)
            fecha();
    }

    QList<Descricoes::Parte> partes;

private:
    void fecha()
    {
        partes.append(Descricao::deLinhas(std::move(m_bloco)));
        m_bloco = {};
        m_aberta = false;
    }

    bool &m_cabecalho;
    QList<QByteArray> m_bloco;
    bool m_aberta = false;
    bool m_primeira = true;
};

bool eLinha(const Descricoes::Parte &p, const char *texto)
{
    const QByteArray *l = std::get_if<QByteArray>(&p);
    return l && *l == texto;
}

// Drops the lines the writer puts back itself: the last closing line, and a
// "#" right before an entry or before that closing line.
Descricoes semLinhasDoLeiaute(const QList<Descricoes::Parte> &partes)
{
    qsizetype fim = partes.size() - 1;
    while (fim >= 0 && !eLinha(partes[fim], FimDcm))
        --fim;
    Descricoes d;
    for (qsizetype i = 0; i < partes.size(); ++i) {
        if (const Descricao *e = std::get_if<Descricao>(&partes[i])) {
            d.acrescenta(*e);
            continue;
        }
        if (i == fim)
            continue;
        const bool separador = eLinha(partes[i], "#") && i + 1 < partes.size() &&
                               (i + 1 == fim || std::holds_alternative<Descricao>(partes[i + 1]));
        if (!separador)
            d.acrescentaLinha(std::get<QByteArray>(partes[i]));
    }
    return d;
}

} // namespace

LeituraDcm leDescricoes(const QByteArray &dados)
{
    LeituraDcm out;
    LeitorDcm leitor(out.cabecalho);
    paraCadaLinha(dados,
                  [&](const QByteArray &l) { leitor.linha(QByteArray(l.constData(), l.size())); });
    leitor.termina();
    out.descricoes = semLinhasDoLeiaute(leitor.partes);
    return out;
}

LeituraDcm leDescricoes(QIODevice &in)
{
    QByteArray dados;
    QByteArray chunk(ChunkSize, Qt::Uninitialized);
    for (;;) {
        const qint64 got = in.read(chunk.data(), ChunkSize);
        if (got < 0) {
            LeituraDcm out = leDescricoes(dados);
            out.resultado = FileResult::failure(in.errorString());
            return out;
        }
        if (got == 0)
            break;
        dados.append(chunk.constData(), got);
    }
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

void poeLinha(QByteArray &out, const QByteArray &l)
{
    out += l;
    out += "\r\n";
}

void poeEntrada(QByteArray &out, const Descricao &e)
{
    poeLinha(out, "#");
    for (const QByteArray &l : e.linhas())
        poeLinha(out, l);
    if (!e.fechada())
        poeLinha(out, "$ENDCMP");
}

} // namespace

FileResult gravaDescricoes(QIODevice &out, const QList<ComponenteDcm> &componentes,
                           const Descricoes &d)
{
    const QList<Descricoes::Parte> &partes = d.partes();
    QByteArray bytes;
    poeLinha(bytes, CabecalhoDcm);

    // Positions of each name's entries, in set order.
    QHash<QByteArray, QList<qsizetype>> porNome;
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

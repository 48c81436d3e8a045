// copista-cli list: one row per component, with the information panel's
// figures and the .dcm description.

#include "commandline.h"

#include "kicadsym/kicadsymlibrary.h"

#include "library/componentrename.h"
#include "library/componenttable.h"
#include "library/dcmfile.h"
#include "library/informacoes.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QThread>

#include <algorithm>
#include <array>
#include <condition_variable>
#include <deque>
#include <limits>
#include <mutex>
#include <thread>
#include <vector>

namespace cli {

namespace {

struct Row
{
    QString library;
    QString name;
    QString units;
    qint32 pins = 0;
    QString aliases;
    QString description;
    QString keywords;
    QString datasheet;
    QString parent; // a derived .kicad_sym symbol's
};

QString joinNames(const QList<QByteArray> &names)
{
    QString text;
    for (const QByteArray &n : names) {
        if (!text.isEmpty())
            text += u' ';
        text += QString::fromLatin1(n);
    }
    return text;
}

// The figures of one component, from its command text alone.
struct Figuras
{
    QString units;
    qint32 pins = 0;
    QString aliases;
};

Figuras figurasDe(const QByteArray &comandos)
{
    QList<QByteArray> aliases;
    const Informacoes info = informacoesDe(comandos, &aliases);
    return {QString::fromLatin1(info.partes), info.pinos, joinNames(aliases)};
}

// Works out each component's figures on the other cores while the reader
// goes on: the texts come in file order, in batches, and their figures are
// kept in that order.
class FigurasEmParalelo
{
public:
    FigurasEmParalelo()
    {
        const int n = qMax(1, QThread::idealThreadCount() - 1);
        for (int k = 0; k < n; ++k)
            m_workers.emplace_back([this] { trabalha(); });
    }
    ~FigurasEmParalelo() { termina(); }

    void recebe(const QByteArray &comandos)
    {
        m_lote.append(comandos);
        if (m_lote.size() == Lote)
            entrega();
    }

    // Every figure, in file order, once the reading is over.
    std::vector<Figuras> &termina()
    {
        if (!m_lote.isEmpty())
            entrega();
        {
            std::lock_guard lock(m_mutex);
            m_fim = true;
        }
        m_trabalho.notify_all();
        for (std::thread &w : m_workers)
            w.join();
        m_workers.clear();
        return m_figuras;
    }

private:
    static constexpr qsizetype Lote = 64;

    void entrega()
    {
        {
            std::lock_guard lock(m_mutex);
            m_fila.push_back({m_figuras.size(), std::move(m_lote)});
            m_figuras.resize(m_figuras.size() + size_t(m_fila.back().second.size()));
        }
        m_lote = {};
        m_trabalho.notify_one();
    }

    void trabalha()
    {
        for (;;) {
            std::pair<size_t, QList<QByteArray>> lote;
            {
                std::unique_lock lock(m_mutex);
                m_trabalho.wait(lock, [&] { return m_fim || !m_fila.empty(); });
                if (m_fila.empty())
                    return;
                lote = std::move(m_fila.front());
                m_fila.pop_front();
            }
            std::vector<Figuras> feitas;
            feitas.reserve(size_t(lote.second.size()));
            for (const QByteArray &comandos : lote.second)
                feitas.push_back(figurasDe(comandos));
            std::lock_guard lock(m_mutex);
            std::move(feitas.begin(), feitas.end(), m_figuras.begin() + qsizetype(lote.first));
        }
    }

    QList<QByteArray> m_lote;
    std::mutex m_mutex;
    std::condition_variable m_trabalho;
    std::deque<std::pair<size_t, QList<QByteArray>>> m_fila;
    std::vector<Figuras> m_figuras;
    bool m_fim = false;
    std::vector<std::thread> m_workers;
};

void readRows(const QString &path, QList<Row> &rows)
{
    ComponentTable table;
    FigurasEmParalelo paralelo;
    loadLibrary(path, table, false, [&](const QByteArray &c) { paralelo.recebe(c); });
    std::vector<Figuras> &figuras = paralelo.termina();
    const QString dcmPath = caminhoDcm(path);
    const LeituraDcm dcm = carregaDescricoes(dcmPath);
    if (!dcm.resultado.ok)
        fileError(dcmPath, dcm.resultado.error);
    const QString library = libraryName(path);
    // The rows are numbered in file order from the first one read; the
    // table has them in name order.
    quint64 primeira = std::numeric_limits<quint64>::max();
    for (int r = 0; r < table.rowCount(); ++r)
        primeira = qMin(primeira, table.idAt(r));
    const bool emOrdem = figuras.size() == size_t(table.rowCount());
    rows.reserve(rows.size() + table.rowCount());
    for (int r = 0; r < table.rowCount(); ++r) {
        const QByteArray nome = table.nameAt(r);
        Figuras f = emOrdem ? std::move(figuras[size_t(table.idAt(r) - primeira)])
                            : figurasDe(table.comandosAt(r));
        // The .dcm keys a component whose value is hidden ("~X") as X.
        const Descricao *d = dcm.descricoes.procura(dcmName(nome));
        // Names are bytes shown as Latin-1, as the grids show them; .dcm
        // texts are UTF-8, as KiCad writes them.
        rows.append({library, QString::fromLatin1(nome), std::move(f.units), f.pins,
                     std::move(f.aliases), d ? QString::fromUtf8(d->descricao()) : QString(),
                     d ? QString::fromUtf8(d->palavras()) : QString(),
                     d ? QString::fromUtf8(d->datasheet()) : QString(), QString()});
    }
}

// One row per top-level symbol, in file order, each with the units and pins
// it is drawn with (a derived symbol's come from its parent).
void readKicadSymRows(const QString &path, QList<Row> &rows)
{
    const KicadSymLibrary lib = readKicadSymLibrary(path);
    const QString library = libraryName(path);
    for (qsizetype i = 0; i < lib.rows.size(); ++i) {
        const SymbolBuild b = lib.resolvedSymbol(i);
        if (!b.ok())
            fileError(path, b.error.text());
        const Symbol &s = b.symbol;
        qint32 pins = 0;
        // As for .lib files: pins of the second body style are not counted.
        for (const SymbolUnit &u : s.units) {
            if (u.style != 2)
                pins += qint32(u.pins.size());
        }
        rows.append({library, QString::fromUtf8(s.name), QString::number(s.unitCount()), pins,
                     QString(), QString::fromUtf8(s.description()), QString::fromUtf8(s.keywords()),
                     QString::fromUtf8(s.datasheet()), QString::fromUtf8(s.extends)});
    }
}

// RFC 4180: a field holding a comma, a quote or a line break is quoted, its
// quotes doubled.
QString csvField(const QString &field)
{
    if (!field.contains(u',') && !field.contains(u'"') && !field.contains(u'\r') &&
        !field.contains(u'\n'))
        return field;
    QString quoted = field;
    quoted.replace(u'"', QStringLiteral("\"\""));
    return u'"' + quoted + u'"';
}

void writeCsv(const QList<Row> &rows)
{
    QTextStream &o = out();
    // New columns go last: the older ones keep their places.
    o << "library,name,units,pins,aliases,description,keywords,datasheet,parent\r\n";
    for (const Row &r : rows) {
        o << csvField(r.library) << ',' << csvField(r.name) << ',' << csvField(r.units) << ','
          << r.pins << ',' << csvField(r.aliases) << ',' << csvField(r.description) << ','
          << csvField(r.keywords) << ',' << csvField(r.datasheet) << ',' << csvField(r.parent)
          << "\r\n";
    }
}

void writeJson(const QList<Row> &rows)
{
    QJsonArray array;
    for (const Row &r : rows) {
        // The parts text is a number for every sound DEF line; anything
        // else is given as the text the panel would show.
        bool numeric = false;
        const int units = r.units.toInt(&numeric);
        array.append(QJsonObject{
            {QStringLiteral("library"), r.library},
            {QStringLiteral("name"), r.name},
            {QStringLiteral("units"), numeric ? QJsonValue(units) : QJsonValue(r.units)},
            {QStringLiteral("pins"), r.pins},
            {QStringLiteral("aliases"), r.aliases},
            {QStringLiteral("description"), r.description},
            {QStringLiteral("keywords"), r.keywords},
            {QStringLiteral("datasheet"), r.datasheet},
            {QStringLiteral("parent"), r.parent},
        });
    }
    out() << QString::fromUtf8(QJsonDocument(array).toJson(QJsonDocument::Indented));
}

// The widest an alias list is shown in the text listing: one component with
// hundreds of aliases must not pad every other row to its width.
constexpr qsizetype AliasColumnWidth = 40;

QString clipped(const QString &text, qsizetype width)
{
    return text.size() <= width ? text : text.left(width - 3) + QStringLiteral("...");
}

void writeText(const QList<Row> &rows)
{
    const std::array<QString, 7> header = {
        QStringLiteral("BIBLIOTECA"), QStringLiteral("NOME"),    QStringLiteral("PARTES"),
        QStringLiteral("PINOS"),      QStringLiteral("ALIASES"), QStringLiteral("DERIVA DE"),
        QStringLiteral("DESCRIÇÃO")};
    auto fields = [](const Row &r) {
        return std::array<QString, 7>{r.library,
                                      r.name,
                                      r.units,
                                      QString::number(r.pins),
                                      clipped(r.aliases, AliasColumnWidth),
                                      clipped(r.parent, AliasColumnWidth),
                                      r.description};
    };
    std::array<qsizetype, 7> width{};
    for (size_t c = 0; c < width.size(); ++c)
        width[c] = header[c].size();
    for (const Row &r : rows) {
        const auto f = fields(r);
        for (size_t c = 0; c < width.size(); ++c)
            width[c] = std::max(width[c], f[c].size());
    }
    QTextStream &o = out();
    auto line = [&](const std::array<QString, 7> &f) {
        QString text;
        for (size_t c = 0; c < f.size(); ++c) {
            // Numbers right-aligned; the last column is not padded.
            const bool number = c == 2 || c == 3;
            if (c > 0)
                text += QStringLiteral("  ");
            if (c + 1 == f.size())
                text += f[c];
            else
                text += number ? f[c].rightJustified(width[c]) : f[c].leftJustified(width[c]);
        }
        // Empty last columns leave no trailing blanks.
        while (text.endsWith(u' '))
            text.chop(1);
        o << text << '\n';
    };
    line(header);
    for (const Row &r : rows)
        line(fields(r));
}

} // namespace

int runList(const QStringList &arguments)
{
    CommandParser cmd(
        QStringLiteral("list"), QStringLiteral("[--format text|csv|json] LIB..."),
        QStringLiteral(
            "Lista os componentes das bibliotecas, um por linha: biblioteca (nome do arquivo\n"
            "sem extensão), nome, partes (unidades da linha DEF) e pinos como o painel de\n"
            "informações os mostra, aliases (separados por espaço), o símbolo de que deriva\n"
            "(extends, nas .kicad_sym) e a descrição: do .dcm ao lado de uma .lib, quando\n"
            "houver, ou da propriedade ki_description / Description de uma .kicad_sym.\n"
            "csv e json trazem também as palavras-chave e o datasheet (K e F do .dcm;\n"
            "ki_keywords e Datasheet de uma .kicad_sym)."));
    const QCommandLineOption format(
        QStringLiteral("format"),
        QStringLiteral(
            "Formato da saída: text (colunas alinhadas, o padrão; aliases e pai com mais de "
            "40 caracteres cortados com \"...\"), csv (RFC 4180, "
            "cabeçalho library,name,units,pins,aliases,description,keywords,datasheet,"
            "parent) ou json (os mesmos campos)."),
        QStringLiteral("formato"), QStringLiteral("text"));
    cmd.addOption(format);
    cmd.parser().addPositionalArgument(
        QStringLiteral("LIB"),
        QStringLiteral("Bibliotecas de símbolos (.lib, .kicad_sym ou pastas .kicad_symdir)."),
        QStringLiteral("LIB..."));
    if (!cmd.parse(arguments, 1))
        return ExitOk;
    const QString kind = cmd.parser().value(format);
    if (kind != u"text" && kind != u"csv" && kind != u"json")
        cmd.fail(QStringLiteral("--format: \"%1\" não é text, csv nem json.").arg(kind));

    // Everything is read before anything is written, so a library that
    // cannot be read leaves no partial listing behind.
    QList<Row> rows;
    for (const QString &path : cmd.parser().positionalArguments()) {
        if (isKicadSym(path))
            readKicadSymRows(path, rows);
        else
            readRows(path, rows);
    }
    if (kind == u"csv")
        writeCsv(rows);
    else if (kind == u"json")
        writeJson(rows);
    else
        writeText(rows);
    return ExitOk;
}

} // namespace cli

#include "boardfile.h"

#include "library/componenttable.h"
#include "library/librarydocument.h"
#include "library/linelist.h"
#include "platform/dialogs.h"

#include <QFileInfo>
#include <QSaveFile>

namespace {

constexpr qsizetype ChunkSize = 1 << 20;

// Lines 2 to 16 of the header.
constexpr const char *Geral[] = {
    "$GENERAL",
    "LayerCount 2",
    "Ly 1FFF8001",
    "Links 19",
    "NoConn 0",
    "Di 41690 27374 68060 41226",
    "Ndraw 0",
    "Ntrack 0",
    "Nzone 0",
    "Nmodule 0",
    "Nnets 0",
    "$EndGENERAL",
    "$SHEETDESCR",
    "Sheet A2 11700 8267",
    "Title \"Teste copista gerando guia de footprints\"",
};

// Lines 18 to 21.
constexpr const char *Revisao[] = {
    "Rev \"0.1\"",
    "Comp \"Ardevan\"",
    "Comment1 \"\"",
    "Comment2 \"\"",
};

// Lines 23 to 47.
constexpr const char *Setup[] = {
    "Comment4 \"Gerado por copista.exe v 0.81 beta-teste\"",
    "$EndSHEETDESCR",
    "$SETUP",
    "InternalUnit 0.000100 INCH",
    "GridSize 50 50",
    "ZoneGridSize 100",
    "Layers 2",
    "TrackWidth 250",
    "TrackWidthHistory 250",
    "TrackClearence 60",
    "ZoneClearence 150",
    "DrawSegmWidth 150",
    "EdgeSegmWidth 150",
    "ViaSize 450",
    "ViaDrill 250",
    "ViaSizeHistory 450",
    "TextPcbWidth 170",
    "TextPcbSize 600 800",
    "EdgeModWidth 150",
    "TextModSize 600 600",
    "TextModWidth 120",
    "PadSize 600 600",
    "PadDrill 200",
    "AuxiliaryAxisOrg 0 0",
    "$EndSETUP",
};

// The frame: a rectangle from 6100, 5900 to 7800, 7850 in four segments,
// then the empty track section and the end of the board.
constexpr const char *Moldura[] = {
    "$DRAWSEGMENT",    "Po 0 7800 5900 6100 5900 150",
    "De 28 0 900 0 0", "$EndDRAWSEGMENT",
    "$DRAWSEGMENT",    "Po 0 7800 7850 7800 5900 150",
    "De 28 0 900 0 0", "$EndDRAWSEGMENT",
    "$DRAWSEGMENT",    "Po 0 6100 7850 7800 7850 150",
    "De 28 0 900 0 0", "$EndDRAWSEGMENT",
    "$DRAWSEGMENT",    "Po 0 6100 5900 6100 7850 150",
    "De 28 0 900 0 0", "$EndDRAWSEGMENT",
    "$TRACK",          "$EndTRACK",
    "$EndBoard",
};

class Saida
{
public:
    explicit Saida(QIODevice &out) : m_out(out) { m_buffer.reserve(ChunkSize + 4096); }

    void linha(const QByteArray &text) { linha(text.constData(), text.size()); }
    void linha(const char *text) { linha(text, qsizetype(qstrlen(text))); }
    void linha(const char *text, qsizetype n)
    {
        m_buffer.append(text, n);
        m_buffer.append("\r\n", 2);
        if (m_buffer.size() >= ChunkSize)
            flush();
    }
    template <size_t N> void linhas(const char *const (&texts)[N])
    {
        for (const char *t : texts)
            linha(t);
    }
    bool flush()
    {
        if (!m_failed && !escreveTudo(m_out, m_buffer.constData(), m_buffer.size()))
            m_failed = true;
        m_buffer.clear();
        return !m_failed;
    }

private:
    QIODevice &m_out;
    QByteArray m_buffer;
    bool m_failed = false;
};

} // namespace

QString nomePlaca(const QString &titulo)
{
    // The extension starts at the last full stop of the file-name part.
    for (qsizetype i = titulo.size() - 1; i >= 0; --i) {
        const QChar c = titulo.at(i);
        if (c == u'.')
            return titulo.left(i) + QStringLiteral(".brd");
        if (c == u'\\' || c == u'/' || c == u':')
            break;
    }
    return titulo + QStringLiteral(".brd");
}

QByteArray dataHoraPlaca(const QDateTime &when)
{
    return when.toString(QStringLiteral("dd/MM/yyyy-hh:mm:ss")).toLatin1();
}

QByteArray dataPlaca(const QDate &date, const QLocale &locale)
{
    return (QString::number(date.day()) + u' ' +
            locale.monthName(date.month(), QLocale::ShortFormat) + u' ' +
            QStringLiteral("%1").arg(date.year(), 4, 10, QLatin1Char('0')))
        .toLocal8Bit();
}

FileResult gravaPlaca(QIODevice &out, const ComponentTable &table, const QString &caminho,
                      const QDateTime &when, const QLocale &locale)
{
    Saida s(out);
    s.linha("PCBNEW-BOARD Version 1 date " + dataHoraPlaca(when));
    s.linhas(Geral);
    s.linha("Date \"" + dataPlaca(when.date(), locale) + '"');
    s.linhas(Revisao);
    s.linha("Comment3 \"" + caminho.toLocal8Bit() + '"');
    s.linhas(Setup);
    for (int row = 0; row < table.rowCount(); ++row) {
        const QByteArray nome = table.nameAt(row);
        s.linha("$MODULE " + nome);
        paraCadaLinha(table.comandosAt(row), [&](const QByteArray &l) { s.linha(l); });
        s.linha("$EndMODULE " + nome);
    }
    s.linhas(Moldura);
    if (!s.flush())
        return FileResult::failure(out.errorString());
    return {};
}

FileResult salvaPlaca(const QString &caminho, const ComponentTable &table, const QDateTime &when,
                      const QLocale &locale)
{
    return gravaComSeguranca(caminho, [&](QIODevice &out) {
        return gravaPlaca(out, table, QFileInfo(caminho).absoluteFilePath(), when, locale);
    });
}

CommandResult geraPlaca(LibraryDocument &documento, DialogService &dialogs, const QDateTime &when,
                        const QLocale &locale)
{
    ComponentTable &edicao = documento.table();
    if (edicao.isEmpty()) {
        const QString vazia = QStringLiteral("Biblioteca vazia!");
        dialogs.message(Dialogs::Kind::Error, vazia, Dialogs::Button::Ok);
        return CommandResult::failed(vazia);
    }
    Dialogs::FileOptions options;
    options.title = QStringLiteral("Salvar Placa Footprints");
    options.key = QStringLiteral("placa");
    options.presetName = nomePlaca(documento.titulo());
    options.initialFolder = QStringLiteral(".");
    options.defaultSuffix = QStringLiteral("brd");
    options.overwritePrompt = true;

    CommandResult outcome = CommandResult::cancelled();
    {
        PassagemEmMassa passagem(documento);
        if (const auto caminho = dialogs.saveFile(options)) {
            // Moving to the first row ends a pending edit, so text typed into
            // the editor is in its row before the rows are read.
            edicao.first();
            const FileResult written = salvaPlaca(*caminho, edicao, when, locale);
            outcome = written.ok ? CommandResult::done() : CommandResult::failed(written.error);
        }
        edicao.first();
    }
    if (outcome.isFailed())
        dialogs.message(Dialogs::Kind::Error, outcome.message, Dialogs::Button::Ok);
    return outcome;
}

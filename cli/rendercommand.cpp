// copista-cli render: each component drawn as the window's preview draws it,
// on every core, one analysis state per worker.

#include "commandline.h"
#include "pngwriter.h"

#include "analysis/analise.h"
#include "kicadsym/kicadsymlibrary.h"
#include "library/componenttable.h"
#include "library/libraryfile.h"
#include "library/linelist.h"
#include "preview/exportaimagem.h"
#include "preview/kicad.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QFont>
#include <QFontMetrics>
#include <QMutex>
#include <QPainter>
#include <QSet>
#include <QThread>
#include <QThreadPool>

#include <atomic>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <deque>
#include <memory>
#include <unistd.h>
#include <vector>

namespace cli {

namespace {

// The rows of a .kicad_sym library by name: a derived symbol draws its parent.
using RowTexts = QHash<QByteArray, QByteArray>;

struct Job
{
    QByteArray nome;
    QByteArray comandos;
    QString path;
    const RowTexts *library = nullptr; // a .kicad_sym row's library
};

// A component name as a file name: the characters no file system takes
// (/ \ : * ? " < > | and control characters) become "_", and a name of dots
// only (".", "..") or no name at all cannot step out of its folder.
QString safeFileName(const QString &name)
{
    QString out = name;
    for (QChar &c : out) {
        if (c.unicode() < 32 || c.unicode() == 127 || QStringView(u"/\\:*?\"<>|").contains(c))
            c = u'_';
    }
    if (out.isEmpty() || out.count(u'.') == out.size())
        out.fill(u'_', qMax<qsizetype>(1, out.size()));
    return out;
}

// The image file of each component: DIR/LIBRARY/NAME.EXT, and NAME_2.EXT,
// NAME_3.EXT, ... when names come out alike (repeated names, or names that
// differ only in characters that were replaced).
class Paths
{
public:
    QString claim(const QString &folder, const QString &name, const QString &ext)
    {
        const QString base = folder + u'/' + safeFileName(name);
        QString path = base + u'.' + ext;
        for (int n = 2; m_used.contains(path); ++n)
            path = base + u'_' + QString::number(n) + u'.' + ext;
        m_used.insert(path);
        return path;
    }

private:
    QSet<QString> m_used;
};

void makeFolder(const QString &path)
{
    const QFileInfo info(path);
    if (info.isDir())
        return;
    if (info.exists())
        fileError(path, QStringLiteral("existe e não é uma pasta."));
    const QFileInfo parent(info.absolutePath());
    if (!parent.isDir())
        fileError(path, QStringLiteral("a pasta %1 não existe.").arg(parent.filePath()));
    if (!QDir().mkdir(path))
        fileError(path, QStringLiteral("não foi possível criar a pasta (sem permissão de gravação "
                                       "em %1?).")
                            .arg(parent.filePath()));
}

void setLookup(Analise &analise, const Job &job)
{
    const RowTexts *library = job.library;
    analise.setSymbolLookup(Painel::Edicao, [library](const QByteArray &name) {
        return library ? library->value(name) : QByteArray();
    });
}

// The published preview: the top-left extent of the destination bitmap,
// which is all the window shows. The part of an extent lying past the
// bitmap (a symbol too large even for the bitmap's largest size) is only
// white and is left out.
QImage renderComponent(Analise &analise, const Job &job, int zoom)
{
    analise.desenho().zoom_edicao = zoom;
    setLookup(analise, job);
    analise.redesenhaEdicao(false, linhas(job.comandos), job.nome);
    PreviewImage &image = analise.image2();
    const QImage &bitmap = image.bitmap();
    return bitmap.copy(QRect(QPoint(0, 0), image.extent()) & bitmap.rect());
}

// A new file is written in place and removed again when the write fails; a
// file already there is replaced only by a complete new one, written under a
// temporary name beside it and renamed over it. Either way no partial image
// is left. (No sync per image: thousands of them would each wait for the
// disk.)
QString saveFile(const QString &path, const QByteArray &bytes)
{
    const bool replacing = QFileInfo::exists(path);
    const QString target = replacing ? path + QStringLiteral(".part") : path;
    QFile file(target);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return path + QStringLiteral(": ") + file.errorString();
    if (!escreveTudo(file, bytes.constData(), bytes.size()) || !file.flush()) {
        const QString error = path + QStringLiteral(": ") + file.errorString();
        file.remove();
        return error;
    }
    file.close();
    if (replacing &&
        std::rename(QFile::encodeName(target).constData(), QFile::encodeName(path).constData())) {
        const QString error = path + QStringLiteral(": ") + qt_error_string(errno);
        file.remove();
        return error;
    }
    return {};
}

constexpr int ThumbSide = 96;
constexpr int LabelHeight = 14;
constexpr int Pad = 4;

QImage thumbnail(const QImage &image)
{
    if (image.width() <= ThumbSide && image.height() <= ThumbSide)
        return image;
    return image.scaled(ThumbSide, ThumbSide, Qt::KeepAspectRatio, Qt::SmoothTransformation);
}

// A grid of thumbnails, each with its component's name under it, in the
// order the components were rendered.
QImage contactSheet(const std::vector<QImage> &thumbs, const std::vector<Job> &jobs)
{
    const int n = int(thumbs.size());
    const int columns = qMax(1, int(std::ceil(std::sqrt(double(n)))));
    const int rows = (n + columns - 1) / columns;
    const int cellW = ThumbSide + 2 * Pad;
    const int cellH = ThumbSide + LabelHeight + 2 * Pad;
    QImage sheet(columns * cellW, qMax(1, rows) * cellH, QImage::Format_RGB32);
    sheet.fill(Qt::white);
    QPainter painter(&sheet);
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(10);
    painter.setFont(font);
    const QFontMetrics metrics(font);
    for (int i = 0; i < n; ++i) {
        const int x = (i % columns) * cellW;
        const int y = (i / columns) * cellH;
        const QImage &t = thumbs[size_t(i)];
        painter.drawImage(x + Pad + (ThumbSide - t.width()) / 2,
                          y + Pad + (ThumbSide - t.height()) / 2, t);
        const QString name = metrics.elidedText(QString::fromLatin1(jobs[size_t(i)].nome),
                                                Qt::ElideMiddle, cellW - 2);
        painter.drawText(QRect(x + 1, y + Pad + ThumbSide, cellW - 2, LabelHeight),
                         Qt::AlignHCenter | Qt::AlignVCenter, name);
    }
    painter.end();
    return sheet;
}

} // namespace

int runRender(const QStringList &arguments)
{
    CommandParser cmd(
        QStringLiteral("render"),
        QStringLiteral("LIB... --out PASTA [--names PADRÃO]... [--format png|svg] [--zoom N] "
                       "[--view classic|kicad] [--unit N] [--sheet ARQUIVO.png]"),
        QStringLiteral("Desenha cada componente numa imagem PASTA/BIBLIOTECA/NOME.png (ou .svg),\n"
                       "exatamente como a prévia da janela (painel de edição, desenho clássico ou\n"
                       "do KiCad), usando todos os núcleos. Caracteres que não cabem em nomes de\n"
                       "arquivo viram \"_\"; nomes repetidos ganham _2, _3, ..."));
    const QCommandLineOption outOption(QStringLiteral("out"),
                                       QStringLiteral("Pasta das imagens (obrigatória; criada se "
                                                      "faltar, dentro de uma pasta que exista)."),
                                       QStringLiteral("PASTA"));
    const QCommandLineOption namesOption(
        QStringLiteral("names"),
        QStringLiteral("Só os componentes cujo nome ou um dos aliases casa com o padrão (como em "
                       "copy). Pode repetir-se."),
        QStringLiteral("padrão"));
    const QCommandLineOption formatOption(QStringLiteral("format"),
                                          QStringLiteral("png (padrão) ou svg."),
                                          QStringLiteral("formato"), QStringLiteral("png"));
    // svg: vector lines and real text, through the window's image export.
    const QCommandLineOption zoomOption(
        QStringLiteral("zoom"),
        QStringLiteral("Zoom da prévia, de 40 a 210 em passos de 10 como os botões da janela "
                       "(padrão 100)."),
        QStringLiteral("N"), QStringLiteral("100"));
    const QCommandLineOption viewOption(QStringLiteral("view"),
                                        QStringLiteral("Desenho classic (padrão) ou kicad."),
                                        QStringLiteral("vista"), QStringLiteral("classic"));
    const QCommandLineOption unitOption(QStringLiteral("unit"),
                                        QStringLiteral("Só a parte (unidade) N, a partir de 1."),
                                        QStringLiteral("N"));
    const QCommandLineOption sheetOption(
        QStringLiteral("sheet"),
        QStringLiteral("Grava também uma folha de contatos: miniaturas em grade, cada uma com o "
                       "nome embaixo."),
        QStringLiteral("ARQUIVO.png"));
    for (const auto &o :
         {outOption, namesOption, formatOption, zoomOption, viewOption, unitOption, sheetOption})
        cmd.addOption(o);
    cmd.parser().addPositionalArgument(
        QStringLiteral("LIB"),
        QStringLiteral("Bibliotecas de símbolos (.lib, .kicad_sym ou "
                       "pastas .kicad_symdir)."),
        QStringLiteral("LIB..."));
    if (!cmd.parse(arguments, 1))
        return ExitOk;
    const QCommandLineParser &p = cmd.parser();
    if (!p.isSet(outOption) || p.value(outOption).isEmpty())
        cmd.fail(QStringLiteral("falta --out PASTA."));
    const int zoom = cmd.intValue(zoomOption);
    if (zoom < 40 || zoom > 210 || zoom % 10 != 0)
        cmd.fail(QStringLiteral("--zoom: %1 fora de 40..210 em passos de 10.").arg(zoom));
    const QString format = p.value(formatOption);
    if (format != u"png" && format != u"svg")
        cmd.fail(QStringLiteral("--format: \"%1\" não é png nem svg.").arg(format));
    const QString view = p.value(viewOption);
    if (view != u"classic" && view != u"kicad")
        cmd.fail(QStringLiteral("--view: \"%1\" não é classic nem kicad.").arg(view));
    const bool kicad = view == u"kicad";
    OpcoesKiCad opcoes;
    if (p.isSet(unitOption)) {
        opcoes.unidade = cmd.intValue(unitOption);
        if (opcoes.unidade < 1)
            cmd.fail(QStringLiteral("--unit: %1 não é uma parte (a partir de 1).")
                         .arg(p.value(unitOption)));
        if (!kicad)
            cmd.fail(QStringLiteral("--unit só vale com --view kicad (o desenho clássico mostra "
                                    "todas as partes)."));
    }
    const bool svg = format == u"svg";
    const QStringList patterns = p.values(namesOption);
    const QString outDir = QDir::cleanPath(p.value(outOption));
    const QString sheetPath = p.value(sheetOption);

    // Every library is read and every path chosen before the first image.
    std::vector<Job> jobs;
    Paths paths;
    QStringList folders;
    std::deque<RowTexts> kicadSymLibraries;
    for (const QString &lib : p.positionalArguments()) {
        const QString folder = outDir + u'/' + safeFileName(libraryName(lib));
        if (isKicadSym(lib)) {
            const KicadSymLibrary library = readKicadSymLibrary(lib);
            RowTexts &texts = kicadSymLibraries.emplace_back();
            for (const KicadSymRow &row : library.rows)
                texts.insert(row.name, row.text);
            for (const KicadSymRow &row : library.rows) {
                if (!chosen(patterns, row.name, {}))
                    continue;
                jobs.push_back({row.name, row.text,
                                paths.claim(folder, QString::fromUtf8(row.name), format), &texts});
                if (!folders.contains(folder))
                    folders << folder;
            }
            continue;
        }
        ComponentTable table;
        loadLibrary(lib, table);
        bool any = false;
        for (int r = 0; r < table.rowCount(); ++r) {
            const QByteArray nome = table.nameAt(r);
            const QByteArray comandos = table.comandosAt(r);
            if (!chosen(patterns, nome, comandos))
                continue;
            jobs.push_back(
                {nome, comandos, paths.claim(folder, QString::fromLatin1(nome), format)});
            any = true;
        }
        if (any && !folders.contains(folder))
            folders << folder;
    }
    if (jobs.empty()) {
        out() << "0 componentes\n";
        return ExitOk;
    }
    makeFolder(outDir);
    for (const QString &f : folders)
        makeFolder(f);

    const bool wantSheet = !sheetPath.isEmpty();
    std::vector<QImage> thumbs(wantSheet ? jobs.size() : 0);
    std::atomic<size_t> next{0};
    std::atomic<size_t> done{0};
    std::atomic<bool> stop{false};
    QMutex errorLock;
    QString firstError;

    QThreadPool pool;
    const int workers = qMax(1, QThread::idealThreadCount());
    pool.setMaxThreadCount(workers);
    for (int w = 0; w < workers; ++w) {
        pool.start([&] {
            // Each worker draws with its own analysis state and images.
            Analise analise;
            analise.setVista(kicad ? Vista::KiCad : Vista::Classica);
            analise.setOpcoes(Painel::Edicao, opcoes);
            for (size_t i = next++; i < jobs.size() && !stop; i = next++) {
                QString error;
                QImage image;
                if (svg) {
                    // The window's export draws the same pass as vectors.
                    analise.desenho().zoom_edicao = zoom;
                    setLookup(analise, jobs[i]);
                    const ResultadoExportacao r =
                        exportaImagem(analise, Painel::Edicao, linhas(jobs[i].comandos),
                                      FormatoImagem::Svg, jobs[i].path);
                    if (!r.ok)
                        error = jobs[i].path + QStringLiteral(": ") + r.motivo;
                    if (wantSheet)
                        image = renderComponent(analise, jobs[i], zoom);
                } else {
                    image = renderComponent(analise, jobs[i], zoom);
                    error = saveFile(jobs[i].path, encodePng(image));
                }
                if (!error.isEmpty()) {
                    QMutexLocker lock(&errorLock);
                    if (firstError.isEmpty())
                        firstError = error;
                    stop = true;
                }
                if (wantSheet)
                    thumbs[i] = thumbnail(image);
                ++done;
            }
        });
    }
    // Progress for a person watching, never in a log.
    const bool progress = isatty(STDERR_FILENO);
    while (!pool.waitForDone(progress ? 100 : -1)) {
        err() << "\rdesenhando " << done.load() << '/' << jobs.size() << Qt::flush;
    }
    if (progress)
        err() << "\rdesenhando " << done.load() << '/' << jobs.size() << '\n' << Qt::flush;
    if (!firstError.isEmpty())
        throw Failure{ExitFile, firstError, {}};

    if (wantSheet) {
        const QString error = saveFile(sheetPath, encodePng(contactSheet(thumbs, jobs)));
        if (!error.isEmpty())
            throw Failure{ExitFile, error, {}};
    }
    out() << jobs.size() << (jobs.size() == 1 ? " imagem em " : " imagens em ")
          << QDir::toNativeSeparators(outDir) << '\n';
    return ExitOk;
}

} // namespace cli

// copista-cli: the library commands of the window from the command line,
// on the same core, without a display and without questions.

#include "commandline.h"

#include <QGuiApplication>
#include <QTranslator>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>

#if defined(__GLIBC__)
#include <malloc.h>
#include <sys/mman.h>
#endif

namespace {

// The command-line parser's own texts (usage, errors, help options) in
// Portuguese, whatever the user's locale.
class ParserTexts : public QTranslator
{
public:
    bool isEmpty() const override { return false; }

    QString translate(const char *context, const char *sourceText, const char *, int) const override
    {
        if (qstrcmp(context, "QCommandLineParser") != 0)
            return {};
        static const QHash<QByteArray, QString> texts = {
            {"Displays help on commandline options.", QStringLiteral("Mostra esta ajuda.")},
            {"Displays help including Qt specific options.",
             QStringLiteral("Mostra a ajuda com as opções do Qt.")},
            {"Displays version information.", QStringLiteral("Mostra a versão.")},
            {"Unknown option '%1'.", QStringLiteral("opção desconhecida '%1'.")},
            {"Unknown options: %1.", QStringLiteral("opções desconhecidas: %1.")},
            {"Missing value after '%1'.", QStringLiteral("falta o valor depois de '%1'.")},
            {"Unexpected value after '%1'.", QStringLiteral("valor inesperado depois de '%1'.")},
            {"[options]", QStringLiteral("[opções]")},
            {"Usage: %1", QStringLiteral("Uso: %1")},
            {"Options:", QStringLiteral("Opções:")},
            {"Arguments:", QStringLiteral("Argumentos:")},
        };
        return texts.value(sourceText);
    }
};

const QString Usage = QStringLiteral("Uso: copista-cli [--help] [--version] COMANDO [opções] "
                                     "[argumentos]\n"
                                     "Mais em: copista-cli --help\n");

QString helpText()
{
    return QStringLiteral(
        "Uso: copista-cli COMANDO [opções] [argumentos]\n"
        "Bibliotecas de símbolos do KiCad (.lib) pela linha de comando, com as mesmas\n"
        "regras de leitura, gravação e desenho da janela do Copista.\n"
        "\n"
        "Comandos:\n"
        "  list        lista os componentes das bibliotecas\n"
        "  copy        copia componentes para uma biblioteca (com as descrições .dcm)\n"
        "  convert     converte entre .lib/.dcm e .kicad_sym (nos dois sentidos)\n"
        "  render      desenha cada componente numa imagem, como a prévia da janela\n"
        "  check       verifica os símbolos pelas convenções de biblioteca do KiCad\n"
        "  fix         corrige o que as convenções dizem sem margem de dúvida\n"
        "  check-pads  procura erros nas ilhas (pads) dos componentes\n"
        "  diff        o que mudou entre duas versões de uma biblioteca\n"
        "  board       grava o arquivo de placa (.brd) de uma biblioteca\n"
        "\n"
        "Opções:\n"
        "  -h, --help     Mostra esta ajuda.\n"
        "  -v, --version  Mostra a versão.\n"
        "\n"
        "Ajuda de cada comando: copista-cli COMANDO --help\n"
        "\n"
        "Saída: 0 feito; 1 achados do verificador, nomes repetidos recusados, perdas\n"
        "de conversão sem --accept-losses ou diferenças achadas por --verify;\n"
        "2 erro de uso; 3 arquivo que não pôde ser lido ou gravado.\n");
}

int run(const QStringList &arguments)
{
    using namespace cli;
    if (arguments.isEmpty())
        usageError(QStringLiteral("falta o comando."), Usage);
    const QString command = arguments.first();
    const QStringList rest = arguments.mid(1);
    if (command == u"-h" || command == u"--help" || command == u"--help-all") {
        out() << helpText();
        return ExitOk;
    }
    if (command == u"-v" || command == u"--version") {
        out() << "copista-cli " << QCoreApplication::applicationVersion() << '\n';
        return ExitOk;
    }
    if (command == u"list")
        return runList(rest);
    if (command == u"copy")
        return runCopy(rest);
    if (command == u"convert")
        return runConvert(rest);
    if (command == u"render")
        return runRender(rest);
    if (command == u"check")
        return runCheck(rest);
    if (command == u"check-pads")
        return runCheckPads(rest);
    if (command == u"fix")
        return runFix(rest);
    if (command == u"board")
        return runBoard(rest);
    if (command == u"diff")
        return runDiff(rest);
    if (command.startsWith(u'-'))
        usageError(QStringLiteral("opção desconhecida '%1'.").arg(command), Usage);
    usageError(QStringLiteral("comando desconhecido '%1'.").arg(command), Usage);
}

// Page faults are most of what reading a big library costs a fresh process
// (on virtual machines above all): the heap is grown once, asked to be
// backed by huge pages, and kept (no trimming, no separate mappings for big
// blocks), so that the reader's blocks land on 2 MB pages instead of
// faulting in 4 KB at a time. The memory is only reserved: pages are taken
// as they are first written.
void prepareHeap()
{
#if defined(__GLIBC__)
    constexpr size_t Reserve = size_t(64) << 20;
    constexpr size_t HugePage = size_t(2) << 20;
    mallopt(M_MMAP_THRESHOLD, int(Reserve * 4));
    mallopt(M_TRIM_THRESHOLD, int(Reserve * 8));
    void *block = std::malloc(Reserve);
    if (!block)
        return;
    const auto start = (reinterpret_cast<uintptr_t>(block) + HugePage - 1) & ~(HugePage - 1);
    const auto end = (reinterpret_cast<uintptr_t>(block) + Reserve) & ~(HugePage - 1);
    if (end > start)
        madvise(reinterpret_cast<void *>(start), end - start, MADV_HUGEPAGE);
    std::free(block);
#endif
}

QtMessageHandler qtHandler = nullptr;

// The offscreen platform's note about a missing XDG_RUNTIME_DIR says nothing
// to the user of a command-line tool; everything else goes through.
void filterMessages(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (message.startsWith(QLatin1String("QStandardPaths: ")))
        return;
    if (qtHandler)
        qtHandler(type, context, message);
    else
        std::fprintf(stderr, "%s\n", qPrintable(qFormatLogMessage(type, context, message)));
}

} // namespace

int main(int argc, char **argv)
{
    prepareHeap();
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);

    qtHandler = qInstallMessageHandler(filterMessages);
    // Qt is given the program's name only: options such as -platform or
    // -title among the arguments are ours to read, not Qt's to take.
    int qtArgc = 1;
    char *qtArgv[] = {argv[0], nullptr};
    // Only drawing needs Qt Gui (fonts, painting); the other commands start
    // without loading a platform at all.
    std::unique_ptr<QCoreApplication> app;
    if (!arguments.isEmpty() && arguments.first() == u"render") {
        // A command-line tool never opens a window: without a platform
        // chosen by the caller it draws offscreen, so that no display is
        // ever needed (nor one that is set but unreachable).
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        app = std::make_unique<QGuiApplication>(qtArgc, qtArgv);
    } else {
        app = std::make_unique<QCoreApplication>(qtArgc, qtArgv);
    }
    QCoreApplication::setApplicationName(QStringLiteral("copista-cli"));
    QCoreApplication::setApplicationVersion(QStringLiteral(COPISTA_VERSION));
    ParserTexts texts;
    QCoreApplication::installTranslator(&texts);

    int code = cli::ExitOk;
    try {
        code = run(arguments);
    } catch (const cli::Failure &f) {
        cli::out().flush();
        cli::err() << "copista-cli: " << f.message << '\n' << f.usage;
        code = f.code;
    }
    cli::out().flush();
    cli::err().flush();
    std::fflush(stdout);
    return code;
}

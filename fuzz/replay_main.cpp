// Replays inputs through a fuzz target's entry point without libFuzzer, so
// that the seeds and the regression inputs run as ordinary tests with any
// compiler. Arguments are files or folders (read recursively); each file is
// one input. Exits non-zero when an argument does not exist or holds no
// input at all, so a replay test cannot pass by reading nothing.
#include <QByteArray>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QStringList>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <memory>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size);
extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv);

namespace {
bool replay(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "cannot read %s\n", qPrintable(path));
        return false;
    }
    const QByteArray data = f.readAll();
    // A copy of exactly the input's size, so that reading past its end is
    // caught by AddressSanitizer as in a fuzz run.
    std::unique_ptr<uint8_t[]> copy(new uint8_t[size_t(data.size())]);
    std::copy(data.begin(), data.end(), copy.get());
    LLVMFuzzerTestOneInput(copy.get(), size_t(data.size()));
    return true;
}
} // namespace

int main(int argc, char **argv)
{
    LLVMFuzzerInitialize(&argc, &argv);
    int inputs = 0;
    bool ok = argc > 1;
    for (int i = 1; i < argc; ++i) {
        const QString arg = QString::fromLocal8Bit(argv[i]);
        const QFileInfo info(arg);
        if (info.isDir()) {
            QStringList files;
            QDirIterator it(arg, QDir::Files, QDirIterator::Subdirectories);
            while (it.hasNext())
                files << it.next();
            files.sort();
            int here = 0;
            for (const QString &file : files) {
                ok = replay(file) && ok;
                ++here;
            }
            if (here == 0) {
                std::fprintf(stderr, "no input in %s\n", argv[i]);
                ok = false;
            }
            inputs += here;
        } else if (info.isFile()) {
            ok = replay(arg) && ok;
            ++inputs;
        } else {
            std::fprintf(stderr, "no such input: %s\n", argv[i]);
            ok = false;
        }
    }
    std::printf("replayed %d inputs\n", inputs);
    return ok ? 0 : 1;
}

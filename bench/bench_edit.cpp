// Copying one component from the search library into an edit library that
// already holds 5,000 components: the name lookup, append, post and the sort
// that puts the new row in its place.
//
//   ./copista_bench --benchmark_filter=Copy --benchmark_repetitions=3
//
// Goal: BM_CopyComponent at most 2 ms median.

#include "edit/componentedit.h"
#include "library/componenttable.h"
#include "library/librarydocument.h"
#include "library/libraryfile.h"
#include "platform/dialogs.h"

#include <QDir>
#include <QSet>
#include <benchmark/benchmark.h>

namespace {

constexpr int EditComponents = 5000;

// Answers every box with its first button; no box is expected here.
class SilentDialogs : public DialogService
{
public:
    int messages = 0;
    Dialogs::Button message(Dialogs::Kind, const QString &, Dialogs::Buttons) override
    {
        ++messages;
        return Dialogs::Button::Ok;
    }
    std::optional<QString> openFile(const Dialogs::FileOptions &) override { return {}; }
    std::optional<QString> saveFile(const Dialogs::FileOptions &) override { return {}; }
    std::optional<QString> openFolder(const Dialogs::FileOptions &) override { return {}; }
    Dialogs::ClashAnswer clash(const QString &) override { return {}; }
    void beep() override {}
};

// An edit library of 5,000 components named after the corpus components
// (with a suffix where a name repeats), sorted as after a load.
void fillEditLibrary(ComponentTable &edit, QString &error)
{
    ComponentTable corpus;
    const QDir dir(QStringLiteral(COPISTA_CORPUS_DIR));
    QList<QByteArray> names;
    QList<QByteArray> texts;
    for (const QString &lib : dir.entryList({QStringLiteral("*.lib")}, QDir::Files, QDir::Name)) {
        const FileResult r = carregaBiblioteca(dir.filePath(lib), corpus);
        if (!r.ok) {
            error = r.error;
            return;
        }
        for (int i = 0; i < corpus.rowCount(); ++i) {
            names << corpus.nameAt(i);
            texts << corpus.comandosAt(i);
        }
    }
    if (names.isEmpty()) {
        error = QStringLiteral("no corpus components in ") + dir.path();
        return;
    }
    QSet<QByteArray> used;
    for (int i = 0; i < EditComponents; ++i) {
        QByteArray name = names[i % names.size()];
        if (i >= names.size())
            name += "_V" + QByteArray::number(i / names.size());
        if (used.contains(name.toUpper()))
            name += "_" + QByteArray::number(i);
        used.insert(name.toUpper());
        edit.append();
        edit.setField(ComponentTable::Field::Nome, name);
        edit.setField(ComponentTable::Field::Comandos, texts[i % texts.size()]);
        edit.post();
    }
    edit.sortByName();
    edit.first();
}

void BM_CopyComponent(benchmark::State &state)
{
    LibraryDocument editDoc, searchDoc;
    ComponentTable &edit = editDoc.table();
    QString error;
    fillEditLibrary(edit, error);
    if (!error.isEmpty()) {
        state.SkipWithError(error.toLocal8Bit().constData());
        return;
    }
    ComponentTable &search = searchDoc.table();
    search.append();
    search.setField(ComponentTable::Field::Nome, "LM358_COPIA");
    search.setField(ComponentTable::Field::Comandos, edit.comandosAt(EditComponents / 2));
    search.post();
    search.first();

    SilentDialogs dialogs;
    for (auto _ : state) {
        const CopyResult result = copiaComponente(searchDoc, editDoc, dialogs);
        state.PauseTiming();
        if (result != CopyResult::Copied || edit.rowCount() != EditComponents + 1) {
            state.SkipWithError("the component was not copied");
            break;
        }
        // Back to 5,000 components for the next copy, from another row.
        edit.remove();
        edit.moveTo(int(state.iterations() * 7919 % EditComponents));
        state.ResumeTiming();
    }
}
BENCHMARK(BM_CopyComponent)->Unit(benchmark::kMicrosecond);

} // namespace

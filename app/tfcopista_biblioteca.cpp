// The librarian's commands: a folder as the search library, the filter,
// copying many rows, recent libraries and the settings kept between runs.
#include "tfcopista.h"

#include "edit/componentedit.h"
#include "library/componenttablemodel.h"
#include "library/librarycommands.h"
#include "library/librarydocument.h"
#include "platform/dialogs.h"

#include <QDir>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QProgressDialog>
#include <QSettings>
#include <QTableView>

#include <memory>

namespace {

constexpr int MaxRecent = 8;
const QString RecentKey = QStringLiteral("recentes");

// Answers the file dialogs with a path already chosen (a recent entry) and
// passes every other question on.
class ChosenPath : public DialogService
{
public:
    ChosenPath(DialogService &other, QString path) : m_other(other), m_path(std::move(path)) {}
    Dialogs::Button message(Dialogs::Kind kind, const QString &text,
                            Dialogs::Buttons buttons) override
    {
        return m_other.message(kind, text, buttons);
    }
    std::optional<QString> openFile(const Dialogs::FileOptions &) override { return m_path; }
    std::optional<QString> saveFile(const Dialogs::FileOptions &) override { return m_path; }
    std::optional<QString> openFolder(const Dialogs::FileOptions &) override { return m_path; }
    Dialogs::ClashAnswer clash(const QString &name) override { return m_other.clash(name); }
    std::optional<int> choose(const QString &text, const QStringList &items, int current) override
    {
        return m_other.choose(text, items, current);
    }
    void beep() override { m_other.beep(); }

private:
    DialogService &m_other;
    QString m_path;
};

// A recent entry is "kind:path", kind being where it loads.
const QString EditKind = QStringLiteral("edicao");
const QString SearchKind = QStringLiteral("pesquisa");
const QString FolderKind = QStringLiteral("pasta");

} // namespace

void Tfcopista::onLoadEdit()
{
    if (carregaEdicao(m_editDoc, *m_dialogs).isDone())
        remember(EditKind + u':' + m_editDoc.bibliotecas().value(0).caminho);
}

void Tfcopista::onLoadSearch()
{
    if (carregaPesquisa(m_searchDoc, *m_dialogs).isDone())
        remember(SearchKind + u':' + m_searchDoc.bibliotecas().value(0).caminho);
}

void Tfcopista::onLoadSearchFolder()
{
    if (loadFolder(*m_dialogs).isDone())
        remember(FolderKind + u':' + m_searchDoc.ultimaEscolha());
}

CommandResult Tfcopista::loadFolder(DialogService &dialogs)
{
    // The progress box is made once a folder was chosen (the first step):
    // made earlier, it would come up over the folder chooser.
    std::unique_ptr<QProgressDialog> progress;
    auto step = [this, &progress](int done, int total) {
        if (!progress) {
            progress = std::make_unique<QProgressDialog>(QString(), QStringLiteral("Cancelar"), 0,
                                                         total, this);
            progress->setObjectName(QStringLiteral("ProgressoPasta"));
            progress->setWindowTitle(QStringLiteral("Copista"));
            progress->setWindowModality(Qt::WindowModal);
            progress->setMinimumDuration(0);
            progress->show(); // it closes itself at the last library
        }
        progress->setMaximum(total);
        progress->setLabelText(QStringLiteral("%1/%2 bibliotecas").arg(done).arg(total));
        progress->setValue(done);
        return !progress->wasCanceled();
    };
    return carregaPastaPesquisa(m_searchDoc, dialogs, step);
}

void Tfcopista::rememberSavedFile(const QString &before)
{
    // A library saved under a new name is reopened like a loaded one.
    const QString path = m_editDoc.filePath();
    if (path != before)
        remember(EditKind + u':' + path);
}

void Tfcopista::onSearchLoaded()
{
    // A new search library: its library column, a new filter index, and the
    // filter typed so far applied to it.
    if (m_searchDoc.variasBibliotecas()) {
        m_search.model->setLibraryName([this](int row) {
            const int b = m_searchDoc.table().bibliotecaAt(row);
            return m_searchDoc.bibliotecas().value(b).nome;
        });
    } else {
        m_search.model->setLibraryName({});
    }
    // The name takes the room; the library column is as wide as its names.
    QHeaderView *header = m_search.grid->horizontalHeader();
    header->setSectionResizeMode(0, QHeaderView::Stretch);
    if (m_search.model->columnCount() > 1)
        header->setSectionResizeMode(1, QHeaderView::ResizeToContents);
    m_filterIndex = FiltroIndice();
    const ComponentTable &table = m_searchDoc.table();
    for (int row = 0; row < table.rowCount(); ++row)
        m_filterIndex.acrescenta(table.nameAt(row), table.comandosAt(row),
                                 entradasDoComponente(m_searchDoc.descricoesDaLinha(row),
                                                      table.nameAt(row), table.comandosAt(row)));
    onFilter(m_filterEdit->text());
}

void Tfcopista::onFilter(const QString &pattern)
{
    ComponentTable &table = m_searchDoc.table();
    const bool shownBefore = m_search.model->modelRow(table.currentRow()) >= 0;
    if (pattern.isEmpty() || m_filterIndex.linhas() != table.rowCount()) {
        if (m_search.model->filtered())
            m_search.model->setVisibleRows(std::nullopt);
    } else {
        m_search.model->setVisibleRows(m_filterIndex.linhasQueCasam(pattern));
    }
    // The current row stays current when it is still shown; otherwise the
    // first row shown becomes current.
    const int shown = m_search.model->modelRow(table.currentRow());
    if (shown >= 0)
        m_search.grid->setCurrentIndex(m_search.model->index(shown, 0));
    else if (m_search.model->rowCount() > 0)
        table.moveTo(m_search.model->tableRow(0));
    // A filter that shows no row shows no component; the current row comes
    // back when a filter shows it again.
    if (shownBefore != (m_search.model->modelRow(table.currentRow()) >= 0))
        onSearchDataChange();
    showSearchCount();
}

void Tfcopista::showSearchCount()
{
    const int total = m_searchDoc.table().rowCount();
    m_search.countLabel->setText(
        m_search.model->filtered()
            ? QStringLiteral("%1/%2").arg(m_search.model->rowCount()).arg(total)
            : QString::number(total));
}

void Tfcopista::onCopy()
{
    // What the preview shows is what is copied: nothing when the filter
    // shows no row, the current row when the selection leaves it out.
    const int current = m_searchDoc.table().currentRow();
    if (current >= 0 && m_search.model->modelRow(current) < 0)
        return;
    QList<int> rows;
    for (const QModelIndex &i : m_search.grid->selectionModel()->selectedRows(0))
        rows << m_search.model->tableRow(i.row());
    if (current >= 0 && !rows.contains(current))
        rows = {current};
    std::sort(rows.begin(), rows.end());
    copyRows(rows);
}

void Tfcopista::copyRows(const QList<int> &tableRows)
{
    // One row (or none selected) copies the current row as it always did.
    if (tableRows.size() <= 1) {
        if (tableRows.size() == 1)
            m_searchDoc.table().moveTo(tableRows.first());
        copiaComponente(m_searchDoc, m_editDoc, *m_dialogs);
        return;
    }
    copiaComponentes(m_searchDoc, tableRows, m_editDoc, *m_dialogs);
}

void Tfcopista::showDescription()
{
    const ComponentTable &table = m_editDoc.table();
    const QByteArray nome = table.field(ComponentTable::Field::Nome);
    const QList<Descricao> entradas = entradasDoComponente(
        m_editDoc.descricoes(), nome, table.field(ComponentTable::Field::Comandos));
    const Descricao e = entradas.value(0);
    m_infoDescription->setText(QStringLiteral("Descrição: ") + QString::fromUtf8(e.descricao()));
    m_infoKeywords->setText(QStringLiteral("Palavras-chave: ") + QString::fromUtf8(e.palavras()));
    m_infoDatasheet->setText(QStringLiteral("Folha de dados: ") + QString::fromUtf8(e.datasheet()));
}

void Tfcopista::showSearchDescription()
{
    const ComponentTable &table = m_searchDoc.table();
    const int row = table.currentRow();
    Descricao e;
    if (row >= 0 && m_search.model->modelRow(row) >= 0)
        e = entradasDoComponente(m_searchDoc.descricoesDaLinha(row), table.nameAt(row),
                                 table.comandosAt(row))
                .value(0);
    const QString text =
        QStringLiteral("Descrição: %1\nPalavras-chave: %2")
            .arg(QString::fromUtf8(e.descricao()), QString::fromUtf8(e.palavras()));
    m_searchDescription->setText(text);
    m_searchDescription->setToolTip(text);
}

void Tfcopista::remember(const QString &entry)
{
    QSettings settings;
    QStringList recent = settings.value(RecentKey).toStringList();
    recent.removeAll(entry);
    recent.prepend(entry);
    while (recent.size() > MaxRecent)
        recent.removeLast();
    settings.setValue(RecentKey, recent);
    fillRecentMenu();
}

void Tfcopista::fillRecentMenu()
{
    m_recentMenu->clear();
    const QStringList recent = QSettings().value(RecentKey).toStringList();
    for (const QString &entry : recent) {
        const qsizetype colon = entry.indexOf(u':');
        const QString kind = entry.left(colon);
        const QString path = QDir::toNativeSeparators(entry.mid(colon + 1));
        const QString where = kind == EditKind     ? QStringLiteral("Edição")
                              : kind == SearchKind ? QStringLiteral("Pesquisa")
                                                   : QStringLiteral("Pasta de pesquisa");
        QAction *a = m_recentMenu->addAction(where + QStringLiteral(": ") + path);
        connect(a, &QAction::triggered, this, [this, entry] { openRecent(entry); });
    }
    m_recentMenu->setEnabled(!recent.isEmpty());
}

void Tfcopista::openRecent(const QString &entry)
{
    const qsizetype colon = entry.indexOf(u':');
    const QString kind = entry.left(colon);
    ChosenPath chosen(*m_dialogs, entry.mid(colon + 1));
    if (kind == EditKind) {
        carregaEdicao(m_editDoc, chosen);
    } else if (kind == SearchKind) {
        carregaPesquisa(m_searchDoc, chosen);
    } else {
        loadFolder(chosen);
    }
}

void Tfcopista::restoreGeometryFromSettings()
{
    const QByteArray geometry = QSettings().value(QStringLiteral("janela/geometria")).toByteArray();
    if (!geometry.isEmpty())
        restoreGeometry(geometry);
}

void Tfcopista::saveGeometryToSettings() const
{
    QSettings().setValue(QStringLiteral("janela/geometria"), saveGeometry());
}

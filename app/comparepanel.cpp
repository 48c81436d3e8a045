#include "app/comparepanel.h"

#include "library/componenttable.h"
#include "library/componenttablemodel.h"
#include "library/dcmfile.h"
#include "library/librarydocument.h"
#include "library/linelist.h"
#include "platform/dialogs.h"

#include <QAction>
#include <QFileInfo>
#include <QHelpEvent>
#include <QMenu>
#include <QStyledItemDelegate>
#include <QTableView>
#include <QToolTip>

namespace {

const QColor NewColour(200, 240, 200);
const QColor ChangedColour(255, 222, 160);

// Colours the rows by their comparison and tells it in their tooltip; the
// grid's own delegate still makes the editors.
class MarkingDelegate : public QStyledItemDelegate
{
public:
    MarkingDelegate(const ComparePanel &panel, QAbstractItemDelegate *inner, QTableView *grid)
        : QStyledItemDelegate(grid), m_panel(panel), m_inner(inner), m_grid(grid)
    {
    }

    QWidget *createEditor(QWidget *parent, const QStyleOptionViewItem &option,
                          const QModelIndex &index) const override
    {
        return m_inner ? m_inner->createEditor(parent, option, index)
                       : QStyledItemDelegate::createEditor(parent, option, index);
    }

    bool helpEvent(QHelpEvent *event, QAbstractItemView *view, const QStyleOptionViewItem &option,
                   const QModelIndex &index) override
    {
        const std::optional<RowComparison> c = comparison(index);
        if (!c || event->type() != QEvent::ToolTip)
            return QStyledItemDelegate::helpEvent(event, view, option, index);
        QToolTip::showText(event->globalPos(), toolTip(*c), view);
        return true;
    }

    static QString toolTip(const RowComparison &c)
    {
        switch (c.status) {
        case RowStatus::New:
            return QStringLiteral("Novo: não está na biblioteca comparada");
        case RowStatus::Unchanged:
            return QStringLiteral("Igual na biblioteca comparada");
        case RowStatus::Changed:
            return QStringLiteral("Alterado:\n") + c.notes.join(u'\n');
        }
        return {};
    }

protected:
    void initStyleOption(QStyleOptionViewItem *option, const QModelIndex &index) const override
    {
        QStyledItemDelegate::initStyleOption(option, index);
        const std::optional<RowComparison> c = comparison(index);
        if (c && c->status != RowStatus::Unchanged)
            option->backgroundBrush = c->status == RowStatus::New ? NewColour : ChangedColour;
    }

private:
    std::optional<RowComparison> comparison(const QModelIndex &index) const
    {
        const auto *model = qobject_cast<const ComponentTableModel *>(m_grid->model());
        if (!model || !m_panel.comparing())
            return std::nullopt;
        return m_panel.rowComparison(model->tableRow(index.row()));
    }

    const ComparePanel &m_panel;
    QAbstractItemDelegate *m_inner;
    QTableView *m_grid;
};

} // namespace

ComparePanel::ComparePanel(LibraryDocument &edit, DialogService &dialogs, QTableView *editGrid,
                           QMenu *menu, std::function<void()> redrawSearch, QObject *parent)
    : QObject(parent), m_edit(edit), m_dialogs(dialogs), m_grid(editGrid),
      m_redrawSearch(std::move(redrawSearch))
{
    m_grid->setItemDelegate(new MarkingDelegate(*this, m_grid->itemDelegate(), m_grid));
    QAction *file = menu->addAction(QStringLiteral("Comparar com..."));
    file->setObjectName(QStringLiteral("Compararcom1"));
    connect(file, &QAction::triggered, this, &ComparePanel::onCompareFile);
    QAction *folder = menu->addAction(QStringLiteral("Comparar com pasta..."));
    folder->setObjectName(QStringLiteral("Compararcompasta1"));
    connect(folder, &QAction::triggered, this, &ComparePanel::onCompareFolder);
    m_showOther = menu->addAction(QStringLiteral("Mostrar versão comparada"));
    m_showOther->setObjectName(QStringLiteral("Mostrarversaocomparada1"));
    m_showOther->setCheckable(true);
    m_showOther->setEnabled(false);
    connect(m_showOther, &QAction::toggled, this, [this] { m_redrawSearch(); });
}

ComparePanel::~ComparePanel() = default;

void ComparePanel::onCompareFile()
{
    Dialogs::FileOptions o;
    o.title = QStringLiteral("Comparar com");
    o.filter = QStringLiteral("Bibliotecas|*.lib;*.kicad_sym|Todos arquivos|*.*");
    o.key = QStringLiteral("comparar");
    if (const std::optional<QString> path = m_dialogs.openFile(o))
        compareWith(*path);
}

void ComparePanel::onCompareFolder()
{
    Dialogs::FileOptions o;
    o.title = QStringLiteral("Comparar com pasta (.kicad_symdir ou pasta de bibliotecas)");
    o.key = QStringLiteral("comparar");
    if (const std::optional<QString> path = m_dialogs.openFolder(o))
        compareWith(*path);
}

bool ComparePanel::compareWith(const QString &path)
{
    QString error;
    auto other = std::make_unique<LibrarySnapshot>(LibrarySnapshot::read(path, &error));
    if (!error.isEmpty()) {
        m_dialogs.message(Dialogs::Kind::Error, error, Dialogs::Button::Ok);
        return false;
    }
    m_other = std::move(other);
    m_otherName = QFileInfo(path).fileName();
    m_cache.clear();
    m_showOther->setEnabled(true);
    refresh();
    return true;
}

std::optional<RowComparison> ComparePanel::rowComparison(int tableRow) const
{
    const ComponentTable &table = m_edit.table();
    if (!m_other || tableRow < 0 || tableRow >= table.rowCount())
        return std::nullopt;
    const quint64 id = table.idAt(tableRow);
    const QByteArray comandos = table.comandosAt(tableRow);
    auto it = m_cache.find(id);
    if (it == m_cache.end() || it->comandos != comandos) {
        const RowComparison c = compareRow(*m_other, table.nameAt(tableRow), comandos,
                                           &m_edit.descricoesDaLinha(tableRow));
        it = m_cache.insert(id, {comandos, c});
    }
    return it->comparison;
}

std::optional<QList<QByteArray>> ComparePanel::otherVersionLines() const
{
    if (!m_other || !m_showOther->isChecked())
        return std::nullopt;
    const ComponentTable &table = m_edit.table();
    const int row = table.currentRow();
    if (row < 0 || row >= table.rowCount())
        return QList<QByteArray>();
    const QList<QByteArray> names = nomesDoComponente(table.nameAt(row), table.comandosAt(row));
    const qsizetype j = names.isEmpty() ? -1 : m_other->indexOf(names.first());
    return j < 0 ? QList<QByteArray>() : linhas(m_other->source(j).text);
}

void ComparePanel::editRowChanged()
{
    if (m_other && m_showOther->isChecked())
        m_redrawSearch();
}

void ComparePanel::refresh()
{
    m_grid->viewport()->update();
    m_redrawSearch();
}

#pragma once

// "Ferramentas" -> "Comparar com...": the edit library against another
// version of it. Each row of the edit grid is coloured as new, changed or
// unchanged against the chosen library (its tooltip says what changed), and
// "Mostrar versão comparada" draws the chosen library's version of the
// current edit row in the search preview, beside the edit preview.

#include "libdiff/librarydiff.h"

#include <QHash>
#include <QObject>

#include <functional>
#include <memory>
#include <optional>

class DialogService;
class LibraryDocument;
class QAction;
class QMenu;
class QTableView;

class ComparePanel : public QObject
{
    Q_OBJECT

public:
    // Adds its items to `menu` and marks the rows of `editGrid`;
    // `redrawSearch` redraws the search preview (which asks
    // otherVersionLines()).
    ComparePanel(LibraryDocument &edit, DialogService &dialogs, QTableView *editGrid, QMenu *menu,
                 std::function<void()> redrawSearch, QObject *parent);
    ~ComparePanel() override;

    // Compares the edit library with the library or folder at `path`; false
    // (after saying why) when it could not be read.
    bool compareWith(const QString &path);
    bool comparing() const { return m_other != nullptr; }
    // The row's state, computed when first asked and again after its text
    // changes; nullopt when nothing is compared.
    std::optional<RowComparison> rowComparison(int tableRow) const;
    // The lines the search preview shows while "Mostrar versão comparada"
    // is on: the compared version of the current edit row (none when the
    // other library lacks it); nullopt when the switch is off.
    std::optional<QList<QByteArray>> otherVersionLines() const;
    // The edit row changed: the search preview follows it when showing the
    // compared version.
    void editRowChanged();

private:
    void onCompareFile();
    void onCompareFolder();
    void refresh();

    LibraryDocument &m_edit;
    DialogService &m_dialogs;
    QTableView *m_grid;
    std::function<void()> m_redrawSearch;
    QAction *m_showOther = nullptr;
    std::unique_ptr<LibrarySnapshot> m_other;
    QString m_otherName;
    struct Cached
    {
        QByteArray comandos;
        RowComparison comparison;
    };
    mutable QHash<quint64, Cached> m_cache;
};

#pragma once

#include "checks/checks.h"

#include <QDockWidget>

class ComponentTableModel;
class ImageView;
class LibraryDocument;
class PreviewImage;
class QLabel;
class QPushButton;
class QTableView;
class QTableWidget;

// "Verificar biblioteca": the findings of KiCad's library conventions over
// the edit library (or the rows selected in its grid), one line each. A
// finding picked makes its symbol's row current and marks its place on the
// edit preview; "Corrigir" applies the mechanical fixes to the symbols of the
// findings selected, one undoable step per symbol, and says what changed.
//
// Rows are read in their own format (checks/), legacy or .kicad_sym.
class ChecksPanel : public QDockWidget
{
    Q_OBJECT

public:
    ChecksPanel(LibraryDocument &doc, QTableView *grid, ComponentTableModel *model,
                ImageView *preview, PreviewImage &image, QLabel *info, QWidget *parent = nullptr);

    // Runs every rule over the rows selected in the grid when there are
    // several, else over every row, and shows the panel.
    void check();
    const QList<Klc::Finding> &findings() const { return m_findings; }
    // The current row's findings, for the information page.
    void showCurrent();

private:
    // Every row when `tableRows` is empty.
    void run(const QList<int> &tableRows);
    void fill();
    void onActivated(int line);
    void onFix();

    LibraryDocument &m_doc;
    QTableView *m_grid;
    ComponentTableModel *m_model;
    PreviewImage &m_image;
    QLabel *m_info;
    QTableWidget *m_table;
    QPushButton *m_fixButton;
    QLabel *m_status;
    QWidget *m_marker;

    QList<Klc::Finding> m_findings;
    QList<quint64> m_findingRowIds; // the row identity of each finding
    QList<quint64> m_checkedIds;    // the rows the last run read
    // The place marked on the preview: its row and point (IU).
    quint64 m_markedId = 0;
    QPoint m_markedAt;
    bool m_marked = false;
};

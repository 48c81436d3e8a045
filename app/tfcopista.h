#pragma once

#include "analysis/analise.h"
#include "library/commandresult.h"
#include "library/filtro.h"

#include <QMainWindow>
#include <memory>

class ChecksPanel;
class ComparePanel;
class ComponentTable;
class ComponentTableModel;
class DialogService;
class EditorBinding;
class ImageView;
class LibraryDocument;
class QAction;
class QCheckBox;
class QLabel;
class QLineEdit;
class QLayout;
class QMenu;
class QPlainTextEdit;
class QPushButton;
class QScrollArea;
class QSpinBox;
class QTabWidget;
class QTableView;
class QTimer;
class QToolButton;

// The main window: the edit library on the left, the search library on the
// right, the navigation column between them. It shows the two documents it
// is given and wires each command to the core; the documents' state (tables,
// titles, flags) lives in the documents, which outlive the window.
//
// Widgets are private; each keeps its historical name as its objectName(),
// by which tests and tools find it.
class Tfcopista : public QMainWindow
{
    Q_OBJECT

public:
    // `dialogs` answers every message box and file dialog; when null the
    // window uses Qt's own dialogs.
    Tfcopista(LibraryDocument &edit, LibraryDocument &search, DialogService *dialogs = nullptr,
              QWidget *parent = nullptr);
    ~Tfcopista() override;

    static const QString Caption;

    LibraryDocument &editDocument() { return m_editDoc; }
    LibraryDocument &searchDocument() { return m_searchDoc; }
    // The preview state, the three images and the information captions.
    Analise &analise() { return m_analise; }

    // The line list of each pane's command editor, typed changes included.
    QList<QByteArray> editLines() const;
    QList<QByteArray> searchLines() const;

    // The window's place and size, kept between runs.
    void restoreGeometryFromSettings();
    void saveGeometryToSettings() const;

protected:
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // The widgets both panes have.
    struct Pane
    {
        QLabel *title = nullptr;
        QLabel *countLabel = nullptr;
        QTabWidget *pages = nullptr;
        QTableView *grid = nullptr;
        QPlainTextEdit *editor = nullptr;
        QScrollArea *previewBox = nullptr;
        ImageView *preview = nullptr;
        QPushButton *zoomIn = nullptr;
        QPushButton *zoomOut = nullptr;
        QPushButton *zoomNormal = nullptr;
        // "Ajustar", shown in the KiCad view.
        QPushButton *fit = nullptr;
        // The KiCad view's choices: which unit, which body style.
        QLabel *unitLabel = nullptr;
        QSpinBox *unit = nullptr;
        QCheckBox *converted = nullptr;
        ComponentTableModel *model = nullptr;
        EditorBinding *binding = nullptr;
    };
    struct PaneShape;

    void buildPane(QWidget *widget, Pane &pane, const PaneShape &shape);
    QWidget *buildToolColumn(QWidget *widget, Pane &pane, const PaneShape &shape);
    void buildPages(Pane &pane, const PaneShape &shape);
    void buildPreview(Pane &pane, const PaneShape &shape);
    QLayout *buildButtonRow(Pane &pane, const PaneShape &shape);
    void buildEditPaneExtras(QWidget *widget);
    void buildSearchPaneExtras(QWidget *widget);
    QWidget *buildInformationPage();
    void buildMiddleColumn(QWidget *column);
    void buildMenus();
    // Shortcuts, Alt mnemonics and the keys of the grids.
    void setUpKeyboard();
    void bindPane(Pane &pane, LibraryDocument &doc, bool editable);

    // Shell: navigation over both tables, new library.
    void onNewLibrary();
    // Moves both tables alike: `move` is first, next, prior or last.
    void onMove(void (ComponentTable::*move)());

    // Loading and saving.
    void onLoadEdit();
    void onLoadSearch();
    void onLoadSearchFolder();
    // The folder command with its progress box; `dialogs` chooses the folder.
    CommandResult loadFolder(DialogService &dialogs);
    void onSearchLoaded();
    void remember(const QString &path);
    void fillRecentMenu();
    void openRecent(const QString &path);
    // The save button asks for a name; "Salvar" writes the library's own
    // file when it has one; "Salvar como..." asks.
    void onSave();
    void onSaveInPlace();
    void onSaveAs();
    void rememberSavedFile(const QString &before);

    // Analysis and preview.
    void onEditDataChange();
    void onSearchDataChange();
    void redrawEdit();
    void redrawSearch();
    // Undo and redo name what they would do now, a pending edit included.
    void updateUndoActions();
    void onZoom(Painel painel, bool (Analise::*zoom)(Painel));
    void redraw(Painel painel);
    void onFit(Painel painel);
    // Ctrl + wheel over a preview in the KiCad view: zooms about the pointer.
    bool previewWheel(QObject *watched, QEvent *event);
    // The KiCad view centres each preview; the classic one keeps it top-left.
    void placePreviews();
    void onTextsSwitch();
    // The "Exibir" menu and each pane's unit and body style.
    void buildViewMenu();
    void onViewChanged();
    void onKiCadOptions(Painel painel);
    void syncKiCadControls(Painel painel, const QList<QByteArray> &lines);
    void onExportImage(Painel painel);

    // Editing and footprint tools.
    void onCopy();
    void copyRows(const QList<int> &tableRows);
    void onFilter(const QString &pattern);
    void showSearchCount();
    void showDescription();
    // The information page's reading error of the edit pane's text.
    void showParseError();
    void showSearchDescription();
    void onDelete();
    void onRemovePrefix();
    void onNameToCommands();
    void onMakeBoard();
    void onCheckPads();
    void onRotatePad();
    void onFillZeroPad();
    void onRotateAllPads();
    void onFillAllZeroPads();
    // Every key in the edit pane's command editor: puts the row into edit
    // state, and F7..F10 start the pad tools.
    void onEditorKey(int key);

    LibraryDocument &m_editDoc;
    LibraryDocument &m_searchDoc;
    DialogService *m_dialogs;
    std::unique_ptr<DialogService> m_ownDialogs;
    Analise m_analise;

    Pane m_edit;
    Pane m_search;

    // Edit pane.
    QToolButton *m_loadEditButton = nullptr;
    QToolButton *m_newButton = nullptr;
    QToolButton *m_saveButton = nullptr;
    QToolButton *m_deleteButton = nullptr;
    QToolButton *m_removePrefixButton = nullptr;
    QToolButton *m_nameToCommandsButton = nullptr;
    QPushButton *m_convertButton = nullptr;
    QPushButton *m_clearPreviewButton = nullptr;
    QLabel *m_infoName = nullptr;
    QLabel *m_infoUnits = nullptr;
    QLabel *m_infoPins = nullptr;
    QLabel *m_infoAliases = nullptr;
    QLabel *m_infoError = nullptr; // where a .kicad_sym text stops reading
    QTimer *m_typingRedraw = nullptr;

    // Middle column.
    QPushButton *m_firstButton = nullptr;
    QPushButton *m_nextButton = nullptr;
    QPushButton *m_priorButton = nullptr;
    QPushButton *m_lastButton = nullptr;
    QCheckBox *m_textsSwitch = nullptr;
    QPlainTextEdit *m_memo = nullptr;
    QToolButton *m_boardButton = nullptr;
    QToolButton *m_checkPadsButton = nullptr;

    // Search pane.
    QToolButton *m_loadSearchButton = nullptr;
    QToolButton *m_copyButton = nullptr;
    QWidget *m_hiddenImage = nullptr;

    QLineEdit *m_filterEdit = nullptr;
    FiltroIndice m_filterIndex;
    QLabel *m_infoDescription = nullptr;
    QLabel *m_infoKeywords = nullptr;
    QLabel *m_infoDatasheet = nullptr;
    QLabel *m_infoChecks = nullptr;
    ChecksPanel *m_checks = nullptr;
    QLabel *m_searchDescription = nullptr;

    // Menus.
    QMenu *m_padMenu = nullptr;
    QMenu *m_recentMenu = nullptr;
    QAction *m_undoAction = nullptr;
    QAction *m_redoAction = nullptr;
    QAction *m_deleteAction = nullptr;
    QAction *m_findAction = nullptr;
    QAction *m_kicadViewAction = nullptr;
    QAction *m_hiddenPinsAction = nullptr;
    ComparePanel *m_compare = nullptr;
};

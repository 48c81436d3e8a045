#include "tfcopista.h"

#include "checkspanel.h"
#include "comparepanel.h"
#include "edit/componentedit.h"
#include "editorbinding.h"
#include "imageview.h"
#include "library/componenttablemodel.h"
#include "library/kicadsymdocument.h"
#include "library/librarycommands.h"
#include "library/librarydocument.h"
#include "qtdialogs.h"

#include <QAction>
#include <QApplication>
#include <QBoxLayout>
#include <QCheckBox>
#include <QCloseEvent>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QSpinBox>
#include <QStyle>
#include <QStyledItemDelegate>
#include <QTabWidget>
#include <QTableView>
#include <QTimer>
#include <QToolButton>
#include <QUndoStack>

#include <utility>

const QString Tfcopista::Caption =
    QStringLiteral("Copista 0.10 (20071004z) - Criação/cópia de biblioteca de componentes p/KiCad");

// What tells the two panes apart when they are built.
struct Tfcopista::PaneShape
{
    int width;           // the pane's width at the window's starting size
    int toolColumn;      // where the pages start: the glyph buttons are left of them
    int pagesRightGap;   // room right of the pages at the starting size
    int previewRightGap; // room right of the preview at the starting size
    QString panel, title, countLabel, pages, grid, editor, testes, previewBox, preview;
    QString zoomIn, zoomOut, zoomNormal;
};

namespace {

// The starting (and least) size of the client area and its columns.
constexpr int ClientHeight = 582;
constexpr int EditPaneWidth = 364;
constexpr int MiddleWidth = 64;
constexpr int SearchPaneWidth = 372;
constexpr int PreviewSize = 2000;

// Heights of the rows of a pane at the starting size, top to bottom, and the
// gaps between them; the pages and the preview take any extra height.
constexpr int TitleHeight = 41;
constexpr int PagesHeight = 228;
constexpr int PreviewHeight = 264;
constexpr int ButtonHeight = 25;
constexpr int GapBelowTitle = 3;
constexpr int GapBelowPages = 6;
constexpr int GapBelowPreview = 8;
constexpr int Margin = 4;

// Starting to type a new name in the edit grid puts the row into edit state
// at once, as typing in the command editor does.
class NameDelegate : public QStyledItemDelegate
{
public:
    NameDelegate(ComponentTable &table, QObject *parent)
        : QStyledItemDelegate(parent), m_table(table)
    {
    }
    QWidget *createEditor(QWidget *parent, const QStyleOptionViewItem &option,
                          const QModelIndex &index) const override
    {
        m_table.moveTo(index.row());
        m_table.edit();
        return QStyledItemDelegate::createEditor(parent, option, index);
    }

private:
    ComponentTable &m_table;
};

// A grid whose keyboard moves select the row they reach. With Ctrl held,
// Qt's views move the current row alone and leave the selection behind, so
// the row shown and the rows a command takes would differ.
class RowGrid : public QTableView
{
protected:
    QItemSelectionModel::SelectionFlags selectionCommand(const QModelIndex &index,
                                                         const QEvent *event) const override
    {
        const QItemSelectionModel::SelectionFlags flags =
            QTableView::selectionCommand(index, event);
        if (flags != QItemSelectionModel::NoUpdate || !event || event->type() != QEvent::KeyPress ||
            !index.isValid())
            return flags;
        const bool extend = static_cast<const QKeyEvent *>(event)->modifiers() & Qt::ShiftModifier;
        return (extend ? QItemSelectionModel::SelectCurrent : QItemSelectionModel::ClearAndSelect) |
               QItemSelectionModel::Rows;
    }
};

QLabel *titlePanel(const QString &objectName, const QString &title)
{
    auto *panel = new QLabel;
    panel->setObjectName(objectName);
    panel->setFixedHeight(TitleHeight);
    panel->setFrameStyle(QFrame::Panel | QFrame::Raised);
    panel->setAlignment(Qt::AlignCenter);
    panel->setWordWrap(false);
    panel->setTextFormat(Qt::PlainText);    // a path is never markup
    panel->setContentsMargins(80, 0, 4, 0); // the caption keeps clear of the title
    // A long path must not widen the pane.
    panel->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
    auto *label = new QLabel(title, panel);
    QFont bold = label->font();
    bold.setBold(true);
    label->setFont(bold);
    label->move(8, 12);
    return panel;
}

QToolButton *glyphButton(QWidget *parent, const QString &objectName, QStyle::StandardPixmap icon,
                         const QString &hint)
{
    auto *b = new QToolButton(parent);
    b->setObjectName(objectName);
    b->setIcon(parent->style()->standardIcon(icon));
    b->setIconSize(QSize(16, 16));
    b->setToolTip(hint);
    b->setFixedSize(25, 25);
    return b;
}

QToolButton *hiddenSpeedButton(QWidget *parent, const QString &objectName, const QString &caption,
                               const QString &hint)
{
    auto *b = new QToolButton(parent);
    b->setObjectName(objectName);
    b->setText(caption);
    b->setToolTip(hint);
    b->setVisible(false);
    return b;
}

QPushButton *button(const QString &objectName, const QString &caption, int w = 75,
                    int h = ButtonHeight)
{
    auto *b = new QPushButton(caption);
    b->setObjectName(objectName);
    b->setFixedSize(w, h);
    return b;
}

QTableView *grid(const QString &objectName)
{
    auto *g = new RowGrid;
    g->setObjectName(objectName);
    // Tab leaves the grid for the next widget instead of walking its rows.
    g->setTabKeyNavigation(false);
    g->setSelectionBehavior(QAbstractItemView::SelectRows);
    g->setSelectionMode(QAbstractItemView::SingleSelection);
    g->verticalHeader()->setDefaultSectionSize(18);
    g->verticalHeader()->setMinimumWidth(12);
    // The name column takes the grid's width, however wide the pane grows.
    g->horizontalHeader()->setStretchLastSection(true);
    return g;
}

QPlainTextEdit *commandEditor(const QString &objectName)
{
    auto *e = new QPlainTextEdit;
    e->setObjectName(objectName);
    e->setLineWrapMode(QPlainTextEdit::NoWrap);
    e->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    e->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    return e;
}

// The Qt key as the editor hooks see it: the virtual-key codes for F1..F24,
// letters and digits as their characters, anything else as it comes.
int virtualKey(int qtKey)
{
    if (qtKey >= Qt::Key_F1 && qtKey <= Qt::Key_F24)
        return 112 + (qtKey - Qt::Key_F1);
    return qtKey;
}

} // namespace

Tfcopista::Tfcopista(LibraryDocument &edit, LibraryDocument &search, DialogService *dialogs,
                     QWidget *parent)
    : QMainWindow(parent), m_editDoc(edit), m_searchDoc(search), m_dialogs(dialogs)
{
    if (!m_dialogs) {
        m_ownDialogs = std::make_unique<QtDialogs>(this);
        m_dialogs = m_ownDialogs.get();
    }
    setObjectName(QStringLiteral("fcopista"));
    // Qt shows "*" in place of "[*]" while the edit library has unsaved changes.
    setWindowTitle(Caption + QStringLiteral("[*]"));
    setFont(QFont(QStringLiteral("MS Sans Serif"), 8));

    auto *central = new QWidget(this);
    central->setObjectName(QStringLiteral("client"));
    auto *columns = new QHBoxLayout(central);
    columns->setContentsMargins(0, 0, 0, 0);
    columns->setSpacing(0);
    auto *editPane = new QWidget(central);
    auto *middle = new QWidget(central);
    auto *searchPane = new QWidget(central);
    editPane->setObjectName(QStringLiteral("edicao"));
    middle->setObjectName(QStringLiteral("meio"));
    searchPane->setObjectName(QStringLiteral("pesquisa"));
    // Both panes share any extra width; the navigation column keeps its own.
    middle->setFixedWidth(MiddleWidth);
    columns->addWidget(editPane, EditPaneWidth);
    columns->addWidget(middle);
    columns->addWidget(searchPane, SearchPaneWidth);
    setCentralWidget(central);

    buildPane(editPane, m_edit,
              {EditPaneWidth, 64, 3, 39, "Panel5", "Edição", "Label1", "TabControl1", "DBGrid1",
               "textlistbox1", "testes1", "ScrollBox1", "Image2", "BitBtn1", "BitBtn2", "BitBtn3"});
    buildMiddleColumn(middle);
    buildPane(searchPane, m_search,
              {SearchPaneWidth, 68, 7, 47, "panel6", "Pesquisa", "Label2", "PageControl1",
               "DBGrid2", "DBRE_comp2", "testes2", "ScrollBox2", "Image3", "BitBtn4", "BitBtn5",
               "BitBtn6"});
    buildMenus();

    // The client area starts at 800 x 582 under the menu bar, which is also
    // its least size; with a usual frame the outer size is about 808 x 628.
    const QSize start(EditPaneWidth + MiddleWidth + SearchPaneWidth,
                      ClientHeight + menuBar()->sizeHint().height());
    setMinimumSize(start);
    resize(start);
    move(195, 107);

    // The editors bind before the data-change handlers connect, so a handler
    // always reads the editor already showing the new current row.
    bindPane(m_edit, m_editDoc, true);
    bindPane(m_search, m_searchDoc, false);
    m_edit.grid->setItemDelegate(new NameDelegate(m_editDoc.table(), m_edit.grid));
    // Its items go last in "Ferramentas"; it wraps the name delegate.
    m_compare = new ComparePanel(
        m_editDoc, *m_dialogs, m_edit.grid, findChild<QMenu *>(QStringLiteral("Ferramentas1")),
        [this] { redrawSearch(); }, this);
    m_edit.grid->setEditTriggers(QAbstractItemView::DoubleClicked |
                                 QAbstractItemView::EditKeyPressed |
                                 QAbstractItemView::AnyKeyPressed);
    m_search.grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_edit.grid->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_search.grid->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_search.grid->setDragEnabled(true);
    m_search.grid->setDragDropMode(QAbstractItemView::DragOnly);
    m_edit.grid->setAcceptDrops(true);
    m_edit.grid->setDragDropMode(QAbstractItemView::DropOnly);
    m_edit.grid->setDropIndicatorShown(false);
    connect(m_edit.model, &ComponentTableModel::rowsDropped, this, &Tfcopista::copyRows);
    connect(m_search.model, &ComponentTableModel::filterDropped, this,
            [this] { m_filterEdit->clear(); });
    connect(&m_searchDoc.table(), &ComponentTable::reset, this, &Tfcopista::onSearchLoaded);
    connect(&m_editDoc.table(), &ComponentTable::dataChange, this, &Tfcopista::showDescription);
    setWindowModified(m_editDoc.modificado());
    connect(&m_editDoc, &LibraryDocument::modificadoChanged, this, &QWidget::setWindowModified);

    m_edit.preview->setImage(&m_analise.image2());
    m_search.preview->setImage(&m_analise.image3());
    m_checks = new ChecksPanel(m_editDoc, m_edit.grid, m_edit.model, m_edit.preview,
                               m_analise.image2(), m_infoChecks, this);
    addDockWidget(Qt::BottomDockWidgetArea, m_checks);
    m_checks->hide();
    connect(&m_analise, &Analise::label1Changed, m_edit.countLabel, &QLabel::setText);
    connect(&m_analise, &Analise::legendasChanged, this, [this](const Legendas &l) {
        m_infoName->setText(l.l_nome);
        m_infoAliases->setText(l.L_alias);
        m_infoPins->setText(l.L_pinos);
        m_infoUnits->setText(l.L_elementos);
    });

    connect(&m_editDoc.table(), &ComponentTable::dataChange, this, &Tfcopista::onEditDataChange);
    connect(&m_searchDoc.table(), &ComponentTable::dataChange, this,
            &Tfcopista::onSearchDataChange);
    // A bulk pass holds the preview; when it ends the preview shows the
    // row then current.
    connect(&m_editDoc, &LibraryDocument::bulkPassEnded, this, &Tfcopista::onEditDataChange);

    // Undo and redo follow the history and any pending edit (the editor
    // binding sees typing first: it was connected before).
    QUndoStack &history = m_editDoc.historico();
    for (auto changed :
         {&QUndoStack::canUndoChanged, &QUndoStack::canRedoChanged, &QUndoStack::cleanChanged})
        connect(&history, changed, this, &Tfcopista::updateUndoActions);
    connect(&history, &QUndoStack::indexChanged, this, &Tfcopista::updateUndoActions);
    connect(&m_editDoc.table(), &ComponentTable::dataChange, this, &Tfcopista::updateUndoActions);
    connect(&m_editDoc.table(), &ComponentTable::afterEdit, this, &Tfcopista::updateUndoActions);
    connect(m_edit.editor, &QPlainTextEdit::textChanged, this, &Tfcopista::updateUndoActions);
    // A .kicad_sym symbol is drawn again from what is typed, once typing
    // pauses.
    m_typingRedraw = new QTimer(this);
    m_typingRedraw->setSingleShot(true);
    m_typingRedraw->setInterval(150);
    connect(m_typingRedraw, &QTimer::timeout, this, &Tfcopista::redrawEdit);
    connect(m_edit.editor, &QPlainTextEdit::textChanged, this, [this] {
        if (m_edit.binding->isDirty() && isKicadSymText(m_edit.editor->toPlainText().toUtf8()))
            m_typingRedraw->start();
    });
    // A derived symbol is drawn with its parent's units, found in its own
    // pane (in a folder, in its own library file first).
    for (auto [painel, doc] :
         {std::pair{Painel::Edicao, &m_editDoc}, std::pair{Painel::Pesquisa, &m_searchDoc}})
        m_analise.setSymbolLookup(painel, [doc](const QByteArray &name) {
            const ComponentTable &t = doc->table();
            const int current = t.currentRow();
            const int library = current >= 0 ? t.bibliotecaAt(current) : -1;
            int found = -1;
            for (int r = 0; r < t.rowCount(); ++r)
                if (t.nameAt(r) == name) {
                    found = r;
                    if (t.bibliotecaAt(r) == library)
                        break;
                }
            return found < 0 ? QByteArray() : t.comandosAt(found);
        });
    m_edit.model->setSymbolRenamer(
        [this](int row, const QByteArray &name) { renomeiaSimbolo(m_editDoc, row, name); });
    updateUndoActions();
    setUpKeyboard();

    // Both tables are open from the start: each pane's data-change handler
    // runs once, so both row counts show.
    onEditDataChange();
    onSearchDataChange();
}

// Every connection to the documents is made with a receiver that is this
// window or one of its children, so it ends with them.
Tfcopista::~Tfcopista() = default;

void Tfcopista::buildPane(QWidget *widget, Pane &pane, const PaneShape &shape)
{
    const bool edit = &pane == &m_edit;
    widget->setMinimumSize(shape.width, ClientHeight);
    pane.title = titlePanel(shape.panel, shape.title);
    QWidget *tools = buildToolColumn(widget, pane, shape);
    buildPages(pane, shape);
    buildPreview(pane, shape);

    // Rows: title, tools and pages, preview, buttons. The pages and the
    // preview take the extra height, the preview twice as much.
    auto *rows = new QVBoxLayout(widget);
    rows->setContentsMargins(0, 0, 0, 0);
    rows->setSpacing(0);
    rows->addWidget(pane.title);
    rows->addSpacing(GapBelowTitle);
    auto *middleRow = new QHBoxLayout;
    middleRow->setContentsMargins(Margin, 0, shape.pagesRightGap, 0);
    middleRow->setSpacing(0);
    middleRow->addWidget(tools);
    if (edit) {
        middleRow->addWidget(pane.pages, 1);
    } else {
        // The filter stands above the search pages.
        m_filterEdit = new QLineEdit;
        m_filterEdit->setObjectName(QStringLiteral("Filtro"));
        m_filterEdit->setPlaceholderText(QStringLiteral("Filtro"));
        m_filterEdit->setClearButtonEnabled(true);
        m_filterEdit->installEventFilter(this);
        // Below the pages, the current component's description and keywords:
        // why a row the filter found by them is there.
        m_searchDescription = new QLabel;
        m_searchDescription->setObjectName(QStringLiteral("searchDescription"));
        m_searchDescription->setTextFormat(Qt::PlainText);
        m_searchDescription->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
        m_searchDescription->setFixedHeight(2 * m_searchDescription->fontMetrics().lineSpacing() +
                                            4);
        pane.pages->setMinimumHeight(PagesHeight - m_filterEdit->sizeHint().height() -
                                     m_searchDescription->height());
        auto *stack = new QVBoxLayout;
        stack->setSpacing(0);
        stack->addWidget(m_filterEdit);
        stack->addWidget(pane.pages, 1);
        stack->addWidget(m_searchDescription);
        middleRow->addLayout(stack, 1);
        connect(m_filterEdit, &QLineEdit::textChanged, this, &Tfcopista::onFilter);
    }
    rows->addLayout(middleRow, 1);
    rows->addSpacing(GapBelowPages);
    auto *previewRow = new QHBoxLayout;
    previewRow->setContentsMargins(Margin, 0, shape.previewRightGap, 0);
    previewRow->addWidget(pane.previewBox, 1);
    rows->addLayout(previewRow, 2);
    rows->addSpacing(GapBelowPreview);
    rows->addLayout(buildButtonRow(pane, shape));

    const Painel painel = edit ? Painel::Edicao : Painel::Pesquisa;
    connect(pane.unit, &QSpinBox::valueChanged, this, [this, painel] { onKiCadOptions(painel); });
    connect(pane.converted, &QCheckBox::toggled, this, [this, painel] { onKiCadOptions(painel); });
    // A right-click on the preview offers the export.
    auto *exportAction = new QAction(QStringLiteral("Exportar imagem..."), pane.preview);
    exportAction->setObjectName(QStringLiteral("ExportarImagem") +
                                (edit ? QStringLiteral("Edicao") : QStringLiteral("Pesquisa")));
    pane.preview->addAction(exportAction);
    pane.preview->setContextMenuPolicy(Qt::ActionsContextMenu);
    connect(exportAction, &QAction::triggered, this, [this, painel] { onExportImage(painel); });
    connect(pane.zoomIn, &QPushButton::clicked, this,
            [this, painel] { onZoom(painel, &Analise::zoomMais); });
    connect(pane.zoomOut, &QPushButton::clicked, this,
            [this, painel] { onZoom(painel, &Analise::zoomMenos); });
    connect(pane.zoomNormal, &QPushButton::clicked, this,
            [this, painel] { onZoom(painel, &Analise::zoomNormal); });
    connect(pane.fit, &QPushButton::clicked, this, [this, painel] { onFit(painel); });
    // Ctrl + wheel reaches the preview under the pointer, or the box around it.
    pane.preview->installEventFilter(this);
    pane.previewBox->viewport()->installEventFilter(this);
    if (edit)
        buildEditPaneExtras(widget);
    else
        buildSearchPaneExtras(widget);
}

QWidget *Tfcopista::buildToolColumn(QWidget *widget, Pane &pane, const PaneShape &shape)
{
    // As wide as today's column; wider only while the KiCad view's choices
    // are shown.
    auto *tools = new QWidget;
    tools->setMinimumWidth(shape.toolColumn - Margin);
    tools->setSizePolicy(QSizePolicy::Minimum, QSizePolicy::Preferred);
    auto *column = new QVBoxLayout(tools);
    column->setContentsMargins(0, 2, 0, 0);
    column->setSpacing(3);
    if (&pane == &m_edit) {
        m_loadEditButton =
            glyphButton(widget, "SB_carregar", QStyle::SP_DialogOpenButton, "Carregar biblioteca");
        m_newButton = glyphButton(widget, "RxSB_limpar", QStyle::SP_FileIcon, "Nova biblioteca");
        m_saveButton = glyphButton(widget, "SB_salvar", QStyle::SP_DialogSaveButton, "Salvar ...");
        m_deleteButton = glyphButton(widget, "RxSB_apagar", QStyle::SP_TrashIcon, "Apagar...");
        for (QToolButton *b : {m_loadEditButton, m_newButton, m_saveButton, m_deleteButton})
            column->addWidget(b);
    } else {
        m_loadSearchButton =
            glyphButton(widget, "RxSB_carregar2", QStyle::SP_DialogOpenButton, "Carregar origem");
        m_copyButton = glyphButton(widget, "RxSB_copiar", QStyle::SP_ArrowLeft, "Copiar...");
        column->addWidget(m_loadSearchButton);
        column->addWidget(m_copyButton);
    }
    column->addSpacing(2);
    pane.countLabel = new QLabel(shape.countLabel);
    pane.countLabel->setObjectName(shape.countLabel);
    pane.countLabel->setFixedHeight(16);
    pane.countLabel->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
    column->addWidget(pane.countLabel);
    // The KiCad view's unit and body style, shown only in that view.
    const QString suffix = &pane == &m_edit ? QStringLiteral("Edicao") : QStringLiteral("Pesquisa");
    pane.unitLabel = new QLabel(QStringLiteral("Parte"));
    pane.unit = new QSpinBox;
    pane.unit->setObjectName(QStringLiteral("Parte") + suffix);
    pane.unit->setRange(1, 1);
    pane.converted = new QCheckBox(QStringLiteral("Convertido"));
    pane.converted->setObjectName(QStringLiteral("Convertido") + suffix);
    QFont small = pane.converted->font();
    small.setPointSize(7);
    pane.converted->setFont(small);
    for (QWidget *w : std::initializer_list<QWidget *>{pane.unitLabel, pane.unit, pane.converted}) {
        w->setVisible(false);
        column->addWidget(w);
    }
    column->addStretch();
    return tools;
}

void Tfcopista::buildPages(Pane &pane, const PaneShape &shape)
{
    pane.pages = new QTabWidget;
    pane.pages->setObjectName(shape.pages);
    pane.pages->setMinimumSize(297, PagesHeight);
    pane.grid = grid(shape.grid);
    pane.pages->addTab(pane.grid, QStringLiteral("Componentes"));
    pane.editor = commandEditor(shape.editor);
    pane.pages->addTab(pane.editor, QStringLiteral("Comandos"));
    auto *testes = new QWidget;
    testes->setObjectName(shape.testes);
    pane.pages->addTab(testes, QStringLiteral("testes"));
    pane.pages->setTabVisible(2, false);
    if (&pane == &m_edit)
        pane.pages->addTab(buildInformationPage(), QStringLiteral("Informações"));
    pane.pages->setCurrentIndex(0);
}

void Tfcopista::buildPreview(Pane &pane, const PaneShape &shape)
{
    pane.previewBox = new QScrollArea;
    pane.previewBox->setObjectName(shape.previewBox);
    pane.previewBox->setMinimumSize(321, PreviewHeight);
    pane.previewBox->setWidgetResizable(false);
    pane.previewBox->setBackgroundRole(QPalette::Base);
    pane.preview = new ImageView;
    pane.preview->setObjectName(shape.preview);
    pane.preview->resize(PreviewSize, PreviewSize); // until the image it shows is attached
    pane.previewBox->setWidget(pane.preview);
}

QLayout *Tfcopista::buildButtonRow(Pane &pane, const PaneShape &shape)
{
    pane.zoomIn = button(shape.zoomIn, QStringLiteral("+ Zoom"));
    pane.zoomOut = button(shape.zoomOut, QStringLiteral("- Zoom"));
    pane.zoomNormal = button(shape.zoomNormal, QStringLiteral("Normal"));
    pane.fit = button(&pane == &m_edit ? QStringLiteral("fitButtonEdit")
                                       : QStringLiteral("fitButtonSearch"),
                      QStringLiteral("Ajustar"), 40);
    pane.fit->setVisible(false);
    auto *row = new QHBoxLayout;
    row->setContentsMargins(Margin, 0, 0, ClientHeight - 550 - ButtonHeight);
    row->setSpacing(5);
    if (&pane == &m_edit) {
        m_convertButton = button(QStringLiteral("Button2"), QStringLiteral("Converter"));
        row->addWidget(m_convertButton);
    } else {
        row->addSpacing(80); // where the edit pane has "Converter"
    }
    row->addWidget(pane.zoomIn);
    row->addWidget(pane.zoomOut);
    row->addWidget(pane.zoomNormal);
    row->addWidget(pane.fit);
    row->addStretch();
    return row;
}

void Tfcopista::buildEditPaneExtras(QWidget *widget)
{
    // Hidden commands of the edit pane (reachable only by code).
    m_removePrefixButton = hiddenSpeedButton(widget, "RxSpeedButton2", "XX----", "Tirar prefixo..");
    m_nameToCommandsButton = hiddenSpeedButton(widget, "RxSpeedButton4", "Nome", "copiar nome");
    m_clearPreviewButton = button(QStringLiteral("Button1"), QStringLiteral("Apagar"), 30);
    m_clearPreviewButton->setParent(widget);
    m_clearPreviewButton->setVisible(false);

    connect(m_loadEditButton, &QToolButton::clicked, this, &Tfcopista::onLoadEdit);
    connect(m_newButton, &QToolButton::clicked, this, &Tfcopista::onNewLibrary);
    connect(m_saveButton, &QToolButton::clicked, this, &Tfcopista::onSave);
    connect(m_deleteButton, &QToolButton::clicked, this, &Tfcopista::onDelete);
    connect(m_removePrefixButton, &QToolButton::clicked, this, &Tfcopista::onRemovePrefix);
    connect(m_nameToCommandsButton, &QToolButton::clicked, this, &Tfcopista::onNameToCommands);
    connect(m_clearPreviewButton, &QPushButton::clicked, &m_analise, &Analise::apagar);
    connect(m_convertButton, &QPushButton::clicked, this, &Tfcopista::redrawEdit);

    QPlainTextEdit *editor = m_edit.editor;
    editor->installEventFilter(this);
    editor->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(editor, &QPlainTextEdit::customContextMenuRequested, this,
            [this, editor](const QPoint &pos) { m_padMenu->popup(editor->mapToGlobal(pos)); });
}

void Tfcopista::buildSearchPaneExtras(QWidget *widget)
{
    // Never shown; kept for what finds it by name.
    m_hiddenImage = new QWidget(widget);
    m_hiddenImage->setObjectName(QStringLiteral("Image4"));
    m_hiddenImage->resize(PreviewSize, 2020);
    m_hiddenImage->setVisible(false);

    connect(m_loadSearchButton, &QToolButton::clicked, this, &Tfcopista::onLoadSearch);
    connect(m_copyButton, &QToolButton::clicked, this, &Tfcopista::onCopy);
}

QWidget *Tfcopista::buildInformationPage()
{
    auto *info = new QWidget;
    info->setObjectName(QStringLiteral("Informacoes"));
    auto label = [info](const QString &name, const QString &text) {
        auto *l = new QLabel(text);
        l->setObjectName(name);
        // Names and alias lines are shown as they are, never as markup.
        l->setTextFormat(Qt::PlainText);
        l->setWordWrap(true);
        return l;
    };
    m_infoName = label(QStringLiteral("l_nome"), QStringLiteral("l_nome"));
    m_infoUnits =
        label(QStringLiteral("L_elementos"), QStringLiteral("Quantidade de  elementos (partes):"));
    m_infoPins = label(QStringLiteral("L_pinos"), QStringLiteral("Descrições de Pinos: "));
    m_infoAliases = label(QStringLiteral("L_alias"), QStringLiteral("ALIAS:"));
    m_infoAliases->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_infoAliases->setMinimumHeight(75);
    m_infoDescription = label(QStringLiteral("L_descricao"), QStringLiteral("Descrição:"));
    m_infoKeywords = label(QStringLiteral("L_palavras"), QStringLiteral("Palavras-chave:"));
    m_infoDatasheet = label(QStringLiteral("L_folha"), QStringLiteral("Folha de dados:"));
    m_infoChecks = label(QStringLiteral("L_verificacao"), QStringLiteral("Verificação:"));
    m_infoError = label(QStringLiteral("L_erro"), QString());
    m_infoError->setStyleSheet(QStringLiteral("color: #b00000"));
    m_infoError->setVisible(false);
    auto *column = new QVBoxLayout(info);
    column->setContentsMargins(8, 8, 8, 8);
    column->setSpacing(8);
    column->addWidget(m_infoError);
    for (QLabel *l : {m_infoName, m_infoUnits, m_infoPins})
        column->addWidget(l);
    column->addWidget(m_infoAliases, 1);
    for (QLabel *l : {m_infoDescription, m_infoKeywords, m_infoDatasheet, m_infoChecks})
        column->addWidget(l);
    return info;
}

void Tfcopista::buildMiddleColumn(QWidget *column)
{
    m_firstButton = button(QStringLiteral("BitBtn7"), QStringLiteral("Primeiro"), 60, 30);
    m_nextButton = button(QStringLiteral("BitBtn8"), QStringLiteral("Proximo"), 60, 30);
    m_priorButton = button(QStringLiteral("BitBtn9"), QStringLiteral("Anterior"), 60, 30);
    m_lastButton = button(QStringLiteral("BitBtn10"), QStringLiteral("Último"), 60, 30);
    auto *buttons = new QVBoxLayout(column);
    buttons->setContentsMargins(2, 120, 2, 0);
    buttons->setSpacing(5);
    for (QPushButton *b : {m_firstButton, m_nextButton, m_priorButton, m_lastButton})
        buttons->addWidget(b);
    buttons->addStretch();

    // Hidden tools of the middle column.
    m_textsSwitch = new QCheckBox(column);
    m_textsSwitch->setObjectName(QStringLiteral("RxSwitch1"));
    m_textsSwitch->setToolTip(QStringLiteral("Apresentar textos"));
    m_textsSwitch->setChecked(false);
    m_textsSwitch->setVisible(false);
    m_memo = new QPlainTextEdit(column);
    m_memo->setObjectName(QStringLiteral("Memo3"));
    m_memo->setVisible(false);
    m_boardButton =
        hiddenSpeedButton(column, QStringLiteral("RxSpeedButton1"), QStringLiteral("PCB"),
                          QStringLiteral("Gerar arquivo .brd com os componentes da lib"));
    m_checkPadsButton =
        hiddenSpeedButton(column, QStringLiteral("RxSB_checar"), QStringLiteral("Erros ?"),
                          QStringLiteral("Pesquisar por erros nos comandos dos compoentes"));

    const std::pair<QPushButton *, void (ComponentTable::*)()> moves[] = {
        {m_firstButton, &ComponentTable::first},
        {m_nextButton, &ComponentTable::next},
        {m_priorButton, &ComponentTable::prior},
        {m_lastButton, &ComponentTable::last}};
    for (const auto &[button, move] : moves)
        connect(button, &QPushButton::clicked, this, [this, move] { onMove(move); });
    connect(m_textsSwitch, &QCheckBox::clicked, this, &Tfcopista::onTextsSwitch);
    connect(m_boardButton, &QToolButton::clicked, this, &Tfcopista::onMakeBoard);
    connect(m_checkPadsButton, &QToolButton::clicked, this, &Tfcopista::onCheckPads);
}

void Tfcopista::buildMenus()
{
    QMenu *file = menuBar()->addMenu(QStringLiteral("Arquivo"));
    file->setObjectName(QStringLiteral("Arquivo1"));
    auto item = [this](QMenu *menu, const char *name, const QString &text, auto handler) {
        QAction *a = menu->addAction(text);
        a->setObjectName(QString::fromLatin1(name));
        connect(a, &QAction::triggered, this, handler);
        return a;
    };
    item(file, "Carregarbibliotecadepesquisa1",
         QStringLiteral("Carregar biblioteca de pesquisa..."), &Tfcopista::onLoadSearch);
    item(file, "Carregarpastadepesquisa1", QStringLiteral("Carregar pasta de pesquisa..."),
         &Tfcopista::onLoadSearchFolder);
    item(file, "Carregarbibliotecaparaedio1", QStringLiteral("Carregar biblioteca para edição..."),
         &Tfcopista::onLoadEdit);
    item(file, "Salvarbibliotecaemedio1", QStringLiteral("Salvar biblioteca em edição"),
         &Tfcopista::onSaveInPlace);
    item(file, "Salvarcomo1", QStringLiteral("Salvar como..."), &Tfcopista::onSaveAs);
    item(file, "Criarnovabibliotecaparaedio1", QStringLiteral("Criar nova biblioteca para edição"),
         &Tfcopista::onNewLibrary);
    m_recentMenu = file->addMenu(QStringLiteral("Recentes"));
    m_recentMenu->setObjectName(QStringLiteral("Recentes1"));
    file->addSeparator();
    item(file, "Sair1", QStringLiteral("Sair"), &QWidget::close);
    fillRecentMenu();

    QMenu *editMenu = menuBar()->addMenu(QStringLiteral("Editar"));
    editMenu->setObjectName(QStringLiteral("Editar1"));
    // Plain actions, not the stack's: a pending edit changes what they do,
    // and undo and redo store it first.
    m_undoAction = new QAction(this);
    m_redoAction = new QAction(this);
    m_undoAction->setObjectName(QStringLiteral("Desfazer1"));
    m_redoAction->setObjectName(QStringLiteral("Refazer1"));
    m_undoAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Z));
    m_redoAction->setShortcuts(
        {QKeySequence(Qt::CTRL | Qt::Key_Y), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z)});
    connect(m_undoAction, &QAction::triggered, &m_editDoc, &LibraryDocument::desfaz);
    connect(m_redoAction, &QAction::triggered, &m_editDoc, &LibraryDocument::refaz);
    editMenu->addAction(m_undoAction);
    editMenu->addAction(m_redoAction);
    editMenu->addSeparator();
    m_deleteAction = editMenu->addAction(QStringLiteral("Apagar componente"));
    m_deleteAction->setObjectName(QStringLiteral("Apagarcomponente1"));
    connect(m_deleteAction, &QAction::triggered, this, &Tfcopista::onDelete);
    m_findAction = editMenu->addAction(QStringLiteral("Filtrar pesquisa"));
    m_findAction->setObjectName(QStringLiteral("Filtrarpesquisa1"));
    connect(m_findAction, &QAction::triggered, this, [this] {
        m_filterEdit->setFocus();
        m_filterEdit->selectAll();
    });

    buildViewMenu();

    QMenu *tools = menuBar()->addMenu(QStringLiteral("Ferramentas"));
    tools->setObjectName(QStringLiteral("Ferramentas1"));
    item(tools, "Removerprefixo1", QStringLiteral("Remover prefixo dos nomes"),
         &Tfcopista::onRemovePrefix);
    item(tools, "Copiarnome1", QStringLiteral("Copiar nome para os comandos"),
         &Tfcopista::onNameToCommands);
    item(tools, "Checarilhas1", QStringLiteral("Checar ilhas"), &Tfcopista::onCheckPads);
    item(tools, "Verificarbiblioteca1", QStringLiteral("Verificar biblioteca"),
         [this] { m_checks->check(); });
    item(tools, "Gerarplaca1", QStringLiteral("Gerar placa (.brd)..."), &Tfcopista::onMakeBoard);
    QAction *texts = tools->addAction(QStringLiteral("Apresentar textos"));
    texts->setObjectName(QStringLiteral("Apresentartextos1"));
    texts->setCheckable(true);
    // The menu item and the hidden switch are one setting.
    connect(texts, &QAction::toggled, this, [this](bool on) {
        m_textsSwitch->setChecked(on);
        onTextsSwitch();
    });
    connect(m_textsSwitch, &QCheckBox::toggled, texts, &QAction::setChecked);

    m_padMenu = new QMenu(this);
    m_padMenu->setObjectName(QStringLiteral("PopupMenu1"));
    item(m_padMenu, "m_rot_ilha", QStringLiteral("Rotacionar ilha"), &Tfcopista::onRotatePad);
    item(m_padMenu, "m_sob_zero", QStringLiteral("Sobrepor medida zero"),
         &Tfcopista::onFillZeroPad);
}

void Tfcopista::bindPane(Pane &pane, LibraryDocument &doc, bool editable)
{
    ComponentTable &table = doc.table();
    pane.model = new ComponentTableModel(table, editable, this);
    pane.binding = new EditorBinding(table, pane.editor, this);
    pane.title->setText(doc.titulo());
    connect(&doc, &LibraryDocument::tituloChanged, pane.title, &QLabel::setText);

    QTableView *grid = pane.grid;
    ComponentTableModel *model = pane.model;
    grid->setModel(model);
    // The grid's selection follows the table's current row, and a row picked
    // in the grid becomes the table's current row.
    auto syncing = std::make_shared<bool>(false);
    auto follow = [grid, model, syncing](int row) {
        if (*syncing)
            return;
        *syncing = true;
        const int shown = model->modelRow(row);
        if (shown >= 0 && shown < model->rowCount())
            grid->setCurrentIndex(model->index(shown, 0));
        *syncing = false;
    };
    connect(&table, &ComponentTable::currentRowChanged, grid, follow);
    connect(grid->selectionModel(), &QItemSelectionModel::currentRowChanged, grid,
            [&table, model, syncing](const QModelIndex &current) {
                if (*syncing || !current.isValid())
                    return;
                *syncing = true;
                table.moveTo(model->tableRow(current.row()));
                *syncing = false;
            });
    // A reset replaces the selection model's indexes; re-select the current row.
    connect(model, &QAbstractItemModel::modelReset, grid,
            [&table, follow] { follow(table.currentRow()); });
}

bool Tfcopista::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_filterEdit && event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent *>(event)->key() == Qt::Key_Escape) {
        m_filterEdit->clear();
        return true;
    }
    if (watched == m_edit.editor && event->type() == QEvent::KeyPress)
        onEditorKey(virtualKey(static_cast<QKeyEvent *>(event)->key()));
    if (previewWheel(watched, event))
        return true;
    return QMainWindow::eventFilter(watched, event);
}

QList<QByteArray> Tfcopista::editLines() const
{
    return m_edit.binding->lines();
}

QList<QByteArray> Tfcopista::searchLines() const
{
    return m_search.binding->lines();
}

void Tfcopista::onNewLibrary()
{
    novaBiblioteca(m_editDoc, *m_dialogs);
}

void Tfcopista::onMove(void (ComponentTable::*move)())
{
    (m_editDoc.table().*move)();
    (m_searchDoc.table().*move)();
}

void Tfcopista::closeEvent(QCloseEvent *event)
{
    // Unsaved changes are not dropped without asking.
    if (!confirmaDescarte(m_editDoc, *m_dialogs)) {
        event->ignore();
        return;
    }
    event->accept();
}

void Tfcopista::onSave()
{
    onSaveAs();
}

void Tfcopista::onSaveInPlace()
{
    const QString before = m_editDoc.filePath();
    if (saveEditToItsFile(m_editDoc, *m_dialogs).isDone())
        rememberSavedFile(before);
}

void Tfcopista::onSaveAs()
{
    const QString before = m_editDoc.filePath();
    if (salvaEdicao(m_editDoc, *m_dialogs).isDone())
        rememberSavedFile(before);
}

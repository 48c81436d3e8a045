#include "tfcopista.h"

#include "editorbinding.h"
#include "imageview.h"
#include "library/componenttablemodel.h"
#include "qtdialogs.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QStyle>
#include <QStyledItemDelegate>
#include <QTabWidget>
#include <QTableView>
#include <QToolButton>

const QString Tfcopista::Caption =
    QStringLiteral("Copista 0.10 (20071004z) - Criação/cópia de biblioteca de componentes p/KiCad");
const QString Tfcopista::DiscardPrompt = QStringLiteral("Biblioteca atual modificada, descartar?");

namespace {

constexpr int ClientHeight = 582;
constexpr int EditPaneWidth = 364;
constexpr int MiddleWidth = 64;
constexpr int SearchPaneWidth = 372;
constexpr int PreviewSize = 2000;

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

QLabel *titlePanel(QWidget *parent, const QString &objectName, const QString &title, int width)
{
    auto *panel = new QLabel(parent);
    panel->setObjectName(objectName);
    panel->setGeometry(0, 0, width, 41);
    panel->setFrameStyle(QFrame::Panel | QFrame::Raised);
    panel->setAlignment(Qt::AlignCenter);
    panel->setWordWrap(false);
    panel->setTextFormat(Qt::PlainText);    // a path is never markup
    panel->setContentsMargins(80, 0, 4, 0); // the caption keeps clear of the title
    auto *label = new QLabel(title, panel);
    QFont bold = label->font();
    bold.setBold(true);
    label->setFont(bold);
    label->move(8, 12);
    return panel;
}

QToolButton *glyphButton(QWidget *parent, const QString &objectName, QStyle::StandardPixmap icon,
                         const QString &hint, int x, int y)
{
    auto *b = new QToolButton(parent);
    b->setObjectName(objectName);
    b->setIcon(parent->style()->standardIcon(icon));
    b->setIconSize(QSize(16, 16));
    b->setToolTip(hint);
    b->setGeometry(x, y, 25, 25);
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

QPushButton *button(QWidget *parent, const QString &objectName, const QString &caption, int x,
                    int y, int w = 75, int h = 25)
{
    auto *b = new QPushButton(caption, parent);
    b->setObjectName(objectName);
    b->setGeometry(x, y, w, h);
    return b;
}

QTableView *grid(QWidget *parent, const QString &objectName)
{
    auto *g = new QTableView(parent);
    g->setObjectName(objectName);
    g->setSelectionBehavior(QAbstractItemView::SelectRows);
    g->setSelectionMode(QAbstractItemView::SingleSelection);
    g->verticalHeader()->setDefaultSectionSize(18);
    g->verticalHeader()->setMinimumWidth(12);
    g->horizontalHeader()->setStretchLastSection(false);
    return g;
}

QPlainTextEdit *commandEditor(QWidget *parent, const QString &objectName)
{
    auto *e = new QPlainTextEdit(parent);
    e->setObjectName(objectName);
    e->setLineWrapMode(QPlainTextEdit::NoWrap);
    e->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    e->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    return e;
}

QScrollArea *previewBox(QWidget *parent, const QString &objectName, ImageView *&image,
                        const QString &imageName, int x, int y)
{
    auto *box = new QScrollArea(parent);
    box->setObjectName(objectName);
    box->setGeometry(x, y, 321, 264);
    box->setWidgetResizable(false);
    box->setBackgroundRole(QPalette::Base);
    image = new ImageView;
    image->setObjectName(imageName);
    image->resize(PreviewSize, PreviewSize); // until the image it shows is attached
    box->setWidget(image);
    return box;
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

Tfcopista::Tfcopista(DialogService *dialogs, QWidget *parent)
    : QMainWindow(parent), m_dialogs(dialogs)
{
    if (!m_dialogs) {
        m_ownDialogs = std::make_unique<QtDialogs>(this);
        m_dialogs = m_ownDialogs.get();
    }
    setObjectName(QStringLiteral("fcopista"));
    setWindowTitle(Caption);
    // A system menu and a minimise button, no maximise button.
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                   Qt::WindowCloseButtonHint);
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
    editPane->setMinimumSize(EditPaneWidth, ClientHeight);
    middle->setFixedWidth(MiddleWidth);
    searchPane->setFixedWidth(SearchPaneWidth);
    columns->addWidget(editPane, 1);
    columns->addWidget(middle);
    columns->addWidget(searchPane);
    setCentralWidget(central);

    buildEditPane(editPane);
    buildMiddleColumn(middle);
    buildSearchPane(searchPane);
    buildMenus();

    // The client area is 800 x 582 under the menu bar; with a usual frame the
    // outer size is about 808 x 628.
    resize(EditPaneWidth + MiddleWidth + SearchPaneWidth,
           ClientHeight + menuBar()->sizeHint().height());
    move(195, 107);

    m_modelEdicao = new ComponentTableModel(RxMD_comp, true, this);
    m_modelPesquisa = new ComponentTableModel(RxMD_comp2, false, this);
    // The editors bind before the data-change handlers connect, so a handler
    // always reads the editor already showing the new current row.
    m_edicaoBinding = new EditorBinding(RxMD_comp, textlistbox1, this);
    m_pesquisaBinding = new EditorBinding(RxMD_comp2, DBRE_comp2, this);
    bindTable(RxMD_comp, DBGrid1, m_modelEdicao);
    bindTable(RxMD_comp2, DBGrid2, m_modelPesquisa);
    DBGrid1->setItemDelegate(new NameDelegate(RxMD_comp, DBGrid1));
    DBGrid1->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                             QAbstractItemView::AnyKeyPressed);
    DBGrid2->setEditTriggers(QAbstractItemView::NoEditTriggers);

    Image2->setImage(&analise.image2());
    Image3->setImage(&analise.image3());
    connect(&analise, &Analise::label1Changed, Label1, &QLabel::setText);
    connect(&analise, &Analise::legendasChanged, this, [this](const Legendas &l) {
        l_nome->setText(l.l_nome);
        L_alias->setText(l.L_alias);
        L_pinos->setText(l.L_pinos);
        L_elementos->setText(l.L_elementos);
    });

    connect(&RxMD_comp, &ComponentTable::afterEdit, this, &Tfcopista::RxMD_compAfterEdit);
    connect(&RxMD_comp, &ComponentTable::dataChange, this, &Tfcopista::DS_compDataChange);
    connect(&RxMD_comp2, &ComponentTable::dataChange, this, &Tfcopista::DS_comp2DataChange);

    // Both tables are open and empty from the start: each pane's data-change
    // handler runs once, so both row counts read 0.
    DS_compDataChange();
    DS_comp2DataChange();
}

Tfcopista::~Tfcopista()
{
    // The tables outlive the widgets bound to them; stop talking to those.
    RxMD_comp.disconnect(this);
    RxMD_comp2.disconnect(this);
    RxMD_comp.disconnect(m_edicaoBinding);
    RxMD_comp2.disconnect(m_pesquisaBinding);
    RxMD_comp.disconnect(m_modelEdicao);
    RxMD_comp2.disconnect(m_modelPesquisa);
}

void Tfcopista::buildEditPane(QWidget *pane)
{
    Panel5 = titlePanel(pane, QStringLiteral("Panel5"), QStringLiteral("Edição"), EditPaneWidth);

    SB_carregar = glyphButton(pane, QStringLiteral("SB_carregar"), QStyle::SP_DialogOpenButton,
                              QStringLiteral("Carregar biblioteca"), 4, 46);
    RxSB_limpar = glyphButton(pane, QStringLiteral("RxSB_limpar"), QStyle::SP_FileIcon,
                              QStringLiteral("Nova biblioteca"), 4, 74);
    SB_salvar = glyphButton(pane, QStringLiteral("SB_salvar"), QStyle::SP_DialogSaveButton,
                            QStringLiteral("Salvar ..."), 4, 102);
    RxSB_apagar = glyphButton(pane, QStringLiteral("RxSB_apagar"), QStyle::SP_TrashIcon,
                              QStringLiteral("Apagar..."), 4, 130);
    Label1 = new QLabel(QStringLiteral("Label1"), pane);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setGeometry(4, 160, 60, 16);

    TabControl1 = new QTabWidget(pane);
    TabControl1->setObjectName(QStringLiteral("TabControl1"));
    TabControl1->setGeometry(64, 44, 297, 228);
    DBGrid1 = grid(nullptr, QStringLiteral("DBGrid1"));
    TabControl1->addTab(DBGrid1, QStringLiteral("Componentes"));
    textlistbox1 = commandEditor(nullptr, QStringLiteral("textlistbox1"));
    TabControl1->addTab(textlistbox1, QStringLiteral("Comandos"));
    auto *testes = new QWidget;
    testes->setObjectName(QStringLiteral("testes1"));
    TabControl1->addTab(testes, QStringLiteral("testes"));
    TabControl1->setTabVisible(2, false);
    auto *info = new QWidget;
    info->setObjectName(QStringLiteral("Informacoes"));
    l_nome = new QLabel(QStringLiteral("l_nome"), info);
    l_nome->setObjectName(QStringLiteral("l_nome"));
    l_nome->setGeometry(8, 8, 270, 16);
    L_elementos = new QLabel(QStringLiteral("Quantidade de  elementos (partes):"), info);
    L_elementos->setObjectName(QStringLiteral("L_elementos"));
    L_elementos->setGeometry(8, 32, 270, 16);
    L_pinos = new QLabel(QStringLiteral("Descrições de Pinos: "), info);
    L_pinos->setObjectName(QStringLiteral("L_pinos"));
    L_pinos->setGeometry(8, 56, 270, 16);
    L_alias = new QLabel(QStringLiteral("ALIAS:"), info);
    L_alias->setObjectName(QStringLiteral("L_alias"));
    L_alias->setGeometry(8, 80, 254, 75);
    L_alias->setWordWrap(true);
    L_alias->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    // Names and alias lines are shown as they are, never as markup.
    for (QLabel *l : {l_nome, L_elementos, L_pinos, L_alias})
        l->setTextFormat(Qt::PlainText);
    TabControl1->addTab(info, QStringLiteral("Informações"));
    TabControl1->setCurrentIndex(0);

    ScrollBox1 =
        previewBox(pane, QStringLiteral("ScrollBox1"), Image2, QStringLiteral("Image2"), 4, 278);

    Button2 = button(pane, QStringLiteral("Button2"), QStringLiteral("Converter"), 4, 550);
    BitBtn1 = button(pane, QStringLiteral("BitBtn1"), QStringLiteral("+ Zoom"), 84, 550);
    BitBtn2 = button(pane, QStringLiteral("BitBtn2"), QStringLiteral("- Zoom"), 164, 550);
    BitBtn3 = button(pane, QStringLiteral("BitBtn3"), QStringLiteral("Normal"), 244, 550);

    RxSpeedButton2 = hiddenSpeedButton(pane, QStringLiteral("RxSpeedButton2"),
                                       QStringLiteral("XX----"), QStringLiteral("Tirar prefixo.."));
    RxSpeedButton4 = hiddenSpeedButton(pane, QStringLiteral("RxSpeedButton4"),
                                       QStringLiteral("Nome"), QStringLiteral("copiar nome"));
    Button1 = button(pane, QStringLiteral("Button1"), QStringLiteral("Apagar"), 330, 550, 30);
    Button1->setVisible(false);

    connect(SB_carregar, &QToolButton::clicked, this, &Tfcopista::SB_carregarClick);
    connect(RxSB_limpar, &QToolButton::clicked, this, &Tfcopista::RxSB_limparClick);
    connect(SB_salvar, &QToolButton::clicked, this, &Tfcopista::SB_salvarClick);
    connect(RxSB_apagar, &QToolButton::clicked, this, &Tfcopista::RxSB_apagarClick);
    connect(RxSpeedButton2, &QToolButton::clicked, this, &Tfcopista::RxSpeedButton2Click);
    connect(RxSpeedButton4, &QToolButton::clicked, this, &Tfcopista::RxSpeedButton4Click);
    connect(Button1, &QPushButton::clicked, this, &Tfcopista::Button1Click);
    connect(Button2, &QPushButton::clicked, this, &Tfcopista::Button2Click);
    connect(BitBtn1, &QPushButton::clicked, this, &Tfcopista::BitBtn1Click);
    connect(BitBtn2, &QPushButton::clicked, this, &Tfcopista::BitBtn2Click);
    connect(BitBtn3, &QPushButton::clicked, this, &Tfcopista::BitBtn3Click);

    textlistbox1->installEventFilter(this);
    textlistbox1->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(textlistbox1, &QPlainTextEdit::customContextMenuRequested, this,
            [this](const QPoint &pos) { PopupMenu1->popup(textlistbox1->mapToGlobal(pos)); });
    connect(textlistbox1, &QPlainTextEdit::textChanged, this, &Tfcopista::textlistbox1Change);
}

void Tfcopista::buildMiddleColumn(QWidget *column)
{
    BitBtn7 = button(column, QStringLiteral("BitBtn7"), QStringLiteral("Primeiro"), 2, 120, 60, 30);
    BitBtn8 = button(column, QStringLiteral("BitBtn8"), QStringLiteral("Proximo"), 2, 155, 60, 30);
    BitBtn9 = button(column, QStringLiteral("BitBtn9"), QStringLiteral("Anterior"), 2, 190, 60, 30);
    BitBtn10 = button(column, QStringLiteral("BitBtn10"), QStringLiteral("Último"), 2, 225, 60, 30);

    RxSwitch1 = new QCheckBox(column);
    RxSwitch1->setObjectName(QStringLiteral("RxSwitch1"));
    RxSwitch1->setToolTip(QStringLiteral("Apresentar textos"));
    RxSwitch1->setChecked(false);
    RxSwitch1->setVisible(false);
    Memo3 = new QPlainTextEdit(column);
    Memo3->setObjectName(QStringLiteral("Memo3"));
    Memo3->setVisible(false);
    RxSpeedButton1 =
        hiddenSpeedButton(column, QStringLiteral("RxSpeedButton1"), QStringLiteral("PCB"),
                          QStringLiteral("Gerar arquivo .brd com os componentes da lib"));
    RxSB_checar =
        hiddenSpeedButton(column, QStringLiteral("RxSB_checar"), QStringLiteral("Erros ?"),
                          QStringLiteral("Pesquisar por erros nos comandos dos compoentes"));

    connect(BitBtn7, &QPushButton::clicked, this, &Tfcopista::BitBtn7Click);
    connect(BitBtn8, &QPushButton::clicked, this, &Tfcopista::BitBtn8Click);
    connect(BitBtn9, &QPushButton::clicked, this, &Tfcopista::BitBtn9Click);
    connect(BitBtn10, &QPushButton::clicked, this, &Tfcopista::BitBtn10Click);
    connect(RxSwitch1, &QCheckBox::clicked, this, &Tfcopista::RxSwitch1Click);
    connect(RxSpeedButton1, &QToolButton::clicked, this, &Tfcopista::RxSpeedButton1Click);
    connect(RxSB_checar, &QToolButton::clicked, this, &Tfcopista::RxSB_checarClick);
}

void Tfcopista::buildSearchPane(QWidget *pane)
{
    panel6 =
        titlePanel(pane, QStringLiteral("panel6"), QStringLiteral("Pesquisa"), SearchPaneWidth);
    RxSB_carregar2 =
        glyphButton(pane, QStringLiteral("RxSB_carregar2"), QStyle::SP_DialogOpenButton,
                    QStringLiteral("Carregar origem"), 4, 46);
    RxSB_copiar = glyphButton(pane, QStringLiteral("RxSB_copiar"), QStyle::SP_ArrowLeft,
                              QStringLiteral("Copiar..."), 4, 74);
    Label2 = new QLabel(QStringLiteral("Label2"), pane);
    Label2->setObjectName(QStringLiteral("Label2"));
    Label2->setGeometry(4, 104, 60, 16);

    PageControl1 = new QTabWidget(pane);
    PageControl1->setObjectName(QStringLiteral("PageControl1"));
    PageControl1->setGeometry(68, 44, 297, 228);
    DBGrid2 = grid(nullptr, QStringLiteral("DBGrid2"));
    PageControl1->addTab(DBGrid2, QStringLiteral("Componentes"));
    DBRE_comp2 = commandEditor(nullptr, QStringLiteral("DBRE_comp2"));
    PageControl1->addTab(DBRE_comp2, QStringLiteral("Comandos"));
    auto *testes = new QWidget;
    testes->setObjectName(QStringLiteral("testes2"));
    PageControl1->addTab(testes, QStringLiteral("testes"));
    PageControl1->setTabVisible(2, false);
    PageControl1->setCurrentIndex(0);

    ScrollBox2 =
        previewBox(pane, QStringLiteral("ScrollBox2"), Image3, QStringLiteral("Image3"), 4, 278);
    Image4 = new QWidget(pane);
    Image4->setObjectName(QStringLiteral("Image4"));
    Image4->resize(PreviewSize, 2020);
    Image4->setVisible(false);

    BitBtn4 = button(pane, QStringLiteral("BitBtn4"), QStringLiteral("+ Zoom"), 84, 550);
    BitBtn5 = button(pane, QStringLiteral("BitBtn5"), QStringLiteral("- Zoom"), 164, 550);
    BitBtn6 = button(pane, QStringLiteral("BitBtn6"), QStringLiteral("Normal"), 244, 550);

    connect(RxSB_carregar2, &QToolButton::clicked, this, &Tfcopista::RxSB_carregar2Click);
    connect(RxSB_copiar, &QToolButton::clicked, this, &Tfcopista::RxSB_copiarClick);
    connect(BitBtn4, &QPushButton::clicked, this, &Tfcopista::BitBtn4Click);
    connect(BitBtn5, &QPushButton::clicked, this, &Tfcopista::BitBtn5Click);
    connect(BitBtn6, &QPushButton::clicked, this, &Tfcopista::BitBtn6Click);
}

void Tfcopista::buildMenus()
{
    QMenu *arquivo = menuBar()->addMenu(QStringLiteral("Arquivo"));
    arquivo->setObjectName(QStringLiteral("Arquivo1"));
    Carregarbibliotecadepesquisa1 =
        arquivo->addAction(QStringLiteral("Carregar biblioteca de pesquisa..."));
    Carregarbibliotecaparaedio1 =
        arquivo->addAction(QStringLiteral("Carregar biblioteca para edição..."));
    Salvarbibliotecaemedio1 = arquivo->addAction(QStringLiteral("Salvar biblioteca em edição"));
    Criarnovabibliotecaparaedio1 =
        arquivo->addAction(QStringLiteral("Criar nova biblioteca para edição"));
    arquivo->addSeparator();
    Sair1 = arquivo->addAction(QStringLiteral("Sair"));
    Carregarbibliotecadepesquisa1->setObjectName(QStringLiteral("Carregarbibliotecadepesquisa1"));
    Carregarbibliotecaparaedio1->setObjectName(QStringLiteral("Carregarbibliotecaparaedio1"));
    Salvarbibliotecaemedio1->setObjectName(QStringLiteral("Salvarbibliotecaemedio1"));
    Criarnovabibliotecaparaedio1->setObjectName(QStringLiteral("Criarnovabibliotecaparaedio1"));
    Sair1->setObjectName(QStringLiteral("Sair1"));
    connect(Carregarbibliotecadepesquisa1, &QAction::triggered, this,
            &Tfcopista::RxSB_carregar2Click);
    connect(Carregarbibliotecaparaedio1, &QAction::triggered, this, &Tfcopista::SB_carregarClick);
    connect(Salvarbibliotecaemedio1, &QAction::triggered, this, &Tfcopista::SB_salvarClick);
    connect(Criarnovabibliotecaparaedio1, &QAction::triggered, this, &Tfcopista::RxSB_limparClick);
    connect(Sair1, &QAction::triggered, this, &Tfcopista::Sair1Click);

    PopupMenu1 = new QMenu(this);
    PopupMenu1->setObjectName(QStringLiteral("PopupMenu1"));
    m_rot_ilha = PopupMenu1->addAction(QStringLiteral("Rotacionar ilha"));
    m_sob_zero = PopupMenu1->addAction(QStringLiteral("Sobrepor medida zero"));
    m_rot_ilha->setObjectName(QStringLiteral("m_rot_ilha"));
    m_sob_zero->setObjectName(QStringLiteral("m_sob_zero"));
    connect(m_rot_ilha, &QAction::triggered, this, &Tfcopista::m_rot_ilhaClick);
    connect(m_sob_zero, &QAction::triggered, this, &Tfcopista::m_sob_zeroClick);
}

void Tfcopista::bindTable(ComponentTable &table, QTableView *grid, ComponentTableModel *model)
{
    grid->setModel(model);
    grid->setColumnWidth(0, 261);
    // The grid's selection follows the table's current row, and a row picked
    // in the grid becomes the table's current row.
    auto syncing = std::make_shared<bool>(false);
    auto follow = [grid, model, syncing](int row) {
        if (*syncing)
            return;
        *syncing = true;
        if (row >= 0 && row < model->rowCount())
            grid->setCurrentIndex(model->index(row, 0));
        *syncing = false;
    };
    connect(&table, &ComponentTable::currentRowChanged, grid, follow);
    connect(grid->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [&table, syncing](const QModelIndex &current) {
                if (*syncing || !current.isValid())
                    return;
                *syncing = true;
                table.moveTo(current.row());
                *syncing = false;
            });
    // A reset replaces the selection model's indexes; re-select the current row.
    connect(model, &QAbstractItemModel::modelReset, grid,
            [&table, follow] { follow(table.currentRow()); });
}

bool Tfcopista::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == textlistbox1) {
        if (event->type() == QEvent::KeyPress) {
            auto *ke = static_cast<QKeyEvent *>(event);
            int key = virtualKey(ke->key());
            textlistbox1KeyDown(key, ke->modifiers());
        } else if (event->type() == QEvent::FocusIn) {
            textlistbox1Enter();
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

QList<QByteArray> Tfcopista::linhasEdicao() const
{
    return m_edicaoBinding->lines();
}

QList<QByteArray> Tfcopista::linhasPesquisa() const
{
    return m_pesquisaBinding->lines();
}

bool Tfcopista::confirmaDescarte()
{
    if (!modificado)
        return true;
    return m_dialogs->message(Dialogs::Kind::Warning, DiscardPrompt,
                              Dialogs::Button::Yes | Dialogs::Button::Cancel) ==
           Dialogs::Button::Yes;
}

void Tfcopista::mostraErro(const QString &message)
{
    m_dialogs->message(Dialogs::Kind::Error, message, Dialogs::Button::Ok);
}

void Tfcopista::RxSB_limparClick()
{
    if (!confirmaDescarte())
        return;
    RxMD_comp.clear();
    modificado = false;
    Panel5->setText(QStringLiteral("nova"));
}

void Tfcopista::BitBtn7Click()
{
    RxMD_comp.first();
    RxMD_comp2.first();
}

void Tfcopista::BitBtn8Click()
{
    RxMD_comp.next();
    RxMD_comp2.next();
}

void Tfcopista::BitBtn9Click()
{
    RxMD_comp.prior();
    RxMD_comp2.prior();
}

void Tfcopista::BitBtn10Click()
{
    RxMD_comp.last();
    RxMD_comp2.last();
}

void Tfcopista::Sair1Click()
{
    close();
}

void Tfcopista::closeEvent(QCloseEvent *event)
{
    // Unsaved changes are not dropped without asking.
    if (!confirmaDescarte()) {
        event->ignore();
        return;
    }
    event->accept();
}

void Tfcopista::RxMD_compAfterEdit()
{
    modificado = true;
}

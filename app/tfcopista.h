#pragma once

#include "analysis/analise.h"
#include "library/componenttable.h"

#include <QMainWindow>
#include <memory>

class ComponentTableModel;
class DialogService;
class EditorBinding;
class ImageView;
class QAction;
class QCheckBox;
class QLabel;
class QMenu;
class QPlainTextEdit;
class QPushButton;
class QScrollArea;
class QTabWidget;
class QTableView;
class QToolButton;

// The main window: the edit library on the left, the search library on the
// right, the navigation column between them. It owns the widgets and wires
// each command to the core; the work itself is done by the core.
class Tfcopista : public QMainWindow
{
    Q_OBJECT

public:
    // `dialogs` answers every message box and file dialog; when null the
    // window uses Qt's own dialogs.
    explicit Tfcopista(DialogService *dialogs = nullptr, QWidget *parent = nullptr);
    ~Tfcopista() override;

    static const QString Caption;
    static const QString DiscardPrompt;

    // The two component tables and the two table-wide flags.
    ComponentTable RxMD_comp;     // edit library
    ComponentTable RxMD_comp2;    // search library
    bool modificado = false;      // the edit library holds unsaved changes
    bool passagemEmMassa = false; // a walk over the edit table: no per-row redraw
    // The preview state, the three images and the information captions.
    Analise analise;

    // Shell (navigation, new library, leaving).
    void RxSB_limparClick();
    void BitBtn7Click();
    void BitBtn8Click();
    void BitBtn9Click();
    void BitBtn10Click();
    void Sair1Click();

    // Loading and saving.
    void SB_carregarClick();
    void RxSB_carregar2Click();
    void SB_salvarClick();

    // Analysis and preview.
    void DS_compDataChange();
    void DS_comp2DataChange();
    void converter();
    void converter2();
    void Button2Click();
    void Button1Click();
    void BitBtn1Click();
    void BitBtn2Click();
    void BitBtn3Click();
    void BitBtn4Click();
    void BitBtn5Click();
    void BitBtn6Click();
    void RxSwitch1Click();

    // Editing and footprint tools.
    void RxMD_compAfterEdit();
    void RxSB_copiarClick();
    void RxSB_apagarClick();
    void RxSpeedButton2Click();
    void RxSpeedButton4Click();
    void RxSpeedButton1Click();
    void RxSB_checarClick();
    void m_rot_ilhaClick();
    void m_sob_zeroClick();
    void troca_tam();
    void troca_zero();
    // Returns the key code left for the editor (it is never changed).
    void textlistbox1KeyDown(int &key, Qt::KeyboardModifiers shift);
    void textlistbox1Enter();
    void textlistbox1Change();

    // The line list of each pane's bound editor.
    QList<QByteArray> linhasEdicao() const;
    QList<QByteArray> linhasPesquisa() const;

protected:
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void buildEditPane(QWidget *pane);
    void buildMiddleColumn(QWidget *column);
    void buildSearchPane(QWidget *pane);
    void buildMenus();
    void bindTable(ComponentTable &table, QTableView *grid, ComponentTableModel *model);
    bool confirmaDescarte();
    bool carregaPara(ComponentTable &table, const QString &presetName, QString *chosen);
    void mostraErro(const QString &message);

    DialogService *m_dialogs;
    std::unique_ptr<DialogService> m_ownDialogs;
    QString m_ultimoNomePesquisa; // the search dialog remembers its last choice
    EditorBinding *m_edicaoBinding = nullptr;
    EditorBinding *m_pesquisaBinding = nullptr;

public:
    // Controls, named as the window's layout names them.
    QLabel *Panel5 = nullptr;
    QLabel *panel6 = nullptr;
    QLabel *Label1 = nullptr;
    QLabel *Label2 = nullptr;
    QToolButton *SB_carregar = nullptr;
    QToolButton *RxSB_limpar = nullptr;
    QToolButton *SB_salvar = nullptr;
    QToolButton *RxSB_apagar = nullptr;
    QToolButton *RxSpeedButton2 = nullptr;
    QToolButton *RxSpeedButton4 = nullptr;
    QTabWidget *TabControl1 = nullptr;
    QTableView *DBGrid1 = nullptr;
    QPlainTextEdit *textlistbox1 = nullptr;
    QLabel *l_nome = nullptr;
    QLabel *L_elementos = nullptr;
    QLabel *L_pinos = nullptr;
    QLabel *L_alias = nullptr;
    QScrollArea *ScrollBox1 = nullptr;
    ImageView *Image2 = nullptr;
    QPushButton *Button1 = nullptr;
    QPushButton *Button2 = nullptr;
    QPushButton *BitBtn1 = nullptr;
    QPushButton *BitBtn2 = nullptr;
    QPushButton *BitBtn3 = nullptr;

    QPushButton *BitBtn7 = nullptr;
    QPushButton *BitBtn8 = nullptr;
    QPushButton *BitBtn9 = nullptr;
    QPushButton *BitBtn10 = nullptr;
    QCheckBox *RxSwitch1 = nullptr;
    QPlainTextEdit *Memo3 = nullptr;
    QToolButton *RxSpeedButton1 = nullptr;
    QToolButton *RxSB_checar = nullptr;

    QToolButton *RxSB_carregar2 = nullptr;
    QToolButton *RxSB_copiar = nullptr;
    QTabWidget *PageControl1 = nullptr;
    QTableView *DBGrid2 = nullptr;
    QPlainTextEdit *DBRE_comp2 = nullptr;
    QScrollArea *ScrollBox2 = nullptr;
    ImageView *Image3 = nullptr;
    QWidget *Image4 = nullptr;
    QPushButton *BitBtn4 = nullptr;
    QPushButton *BitBtn5 = nullptr;
    QPushButton *BitBtn6 = nullptr;

    QAction *Carregarbibliotecadepesquisa1 = nullptr;
    QAction *Carregarbibliotecaparaedio1 = nullptr;
    QAction *Salvarbibliotecaemedio1 = nullptr;
    QAction *Criarnovabibliotecaparaedio1 = nullptr;
    QAction *Sair1 = nullptr;
    QMenu *PopupMenu1 = nullptr;
    QAction *m_rot_ilha = nullptr;
    QAction *m_sob_zero = nullptr;

private:
    ComponentTableModel *m_modelEdicao = nullptr;
    ComponentTableModel *m_modelPesquisa = nullptr;
};

#pragma once

#include "preview/desenho.h"
#include "preview/kicad.h"
#include "preview/previewimage.h"
#include "symbol/symbol.h"

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QObject>
#include <QString>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

// Captions of the edit pane's "Informações" page.
struct Legendas
{
    QString l_nome = QStringLiteral("l_nome");
    QString L_alias = QStringLiteral("ALIAS:");
    QString L_pinos = QStringLiteral("Descrições de Pinos: ");
    QString L_elementos = QStringLiteral("Quantidade de  elementos (partes):");
    // Where a .kicad_sym row's text stops parsing ("linha 12, coluna 7: falta
    // ')'"); empty when it parsed or is a legacy component.
    QString erro;

    friend bool operator==(const Legendas &, const Legendas &) = default;
};

// The analysis of a component's command text for the two panes: owns the
// three preview images and the drawing state, runs the passes and keeps the
// information captions. The window holds one instance for the whole run.
//
// Window wiring:
// - image2() is shown in ScrollBox1 (edit pane), image3() in ScrollBox2
//   (search pane): a view paints the top-left extent() of bitmap(), and
//   follows the image's extentChanged (resize) and changed (repaint)
//   signals. image1() is the hidden drawing image and is never shown.
// - label1Changed carries the arc direction word for Label1.
// - legendasChanged carries the four captions after each edit pass.
class Analise : public QObject
{
    Q_OBJECT

public:
    explicit Analise(PreviewImage::CanvasFactory canvasFactory = {}, QObject *parent = nullptr);
    ~Analise() override;

    PreviewImage &image1() { return m_image1; }
    PreviewImage &image2() { return m_image2; }
    PreviewImage &image3() { return m_image3; }
    Desenho &desenho() { return m_desenho; }
    const Legendas &legendas() const { return m_legendas; }

    // The edit pane's pass, onto whatever the caller selected as
    // imagem_destino and zoom_atual: returns at once when the table is empty;
    // otherwise clears, draws every line, sets the captions from the
    // information values and `nome` (the current row's name) and publishes.
    void converter(bool tabelaVazia, const QList<QByteArray> &linhas, const QByteArray &nome);
    // The search pane's pass: the same without resetting the information
    // values or touching the captions; sets the drawing font's name to "Arial".
    void converter2(bool tabelaVazia, const QList<QByteArray> &linhas);

    // Edit pane: Image2 at zoom_edicao, then converter. The body of
    // DS_compDataChange (after its bulk-pass guard), of "Converter" and of the
    // edit pane's zoom buttons. `linhas` are the command editor's lines.
    void redesenhaEdicao(bool tabelaVazia, const QList<QByteArray> &linhas, const QByteArray &nome);
    // Search pane: Image3 at zoom_pesquisa, then converter2.
    void redesenhaPesquisa(bool tabelaVazia, const QList<QByteArray> &linhas);

    // Zoom buttons ("+ Zoom", "- Zoom", "Normal"): change the pane's zoom
    // and return true when the pane must now be redrawn.
    bool zoomMais(Painel painel) { return m_desenho.zoomMais(painel); }
    bool zoomMenos(Painel painel) { return m_desenho.zoomMenos(painel); }
    bool zoomNormal(Painel painel) { return m_desenho.zoomNormal(painel); }

    // The preview a pane shows: image2() or image3().
    PreviewImage &preview(Painel painel) { return painel == Painel::Edicao ? m_image2 : m_image3; }
    // "Ajustar": sets the pane's zoom so that its preview, margin included,
    // fills `vista` as far as it fits in it. `redesenha` redraws the pane;
    // it runs first and after each change. Returns whether the zoom changed.
    bool ajusta(Painel painel, QSize vista, const std::function<void()> &redesenha);
    // Ctrl + mouse wheel: the pane's zoom `passos` steps of a quarter up (or
    // down, when negative) about the preview pixel `pixel`. Redraws with
    // `redesenha` and returns where the point of the symbol under `pixel`
    // lies in the new preview; nothing when the zoom is at its limit.
    std::optional<QPointF> zoomEm(Painel painel, int passos, QPointF pixel,
                                  const std::function<void()> &redesenha);

    // The drawing style of both panes (the classic preview or KiCad's) and
    // what the KiCad view of each pane shows; after a change the window
    // redraws the panes. The information panel is the same in both views.
    // Each view keeps its own zoom in each pane: the KiCad view's fitted
    // zooms do not carry over to the classic view's steps.
    Vista vista() const { return m_vista; }
    void setVista(Vista vista);
    const OpcoesKiCad &opcoes(Painel painel) const
    {
        return m_opcoes[painel == Painel::Edicao ? 0 : 1];
    }
    void setOpcoes(Painel painel, const OpcoesKiCad &opcoes)
    {
        m_opcoes[painel == Painel::Edicao ? 0 : 1] = opcoes;
    }

    // A .kicad_sym row (its first non-blank byte is '(') is drawn from its
    // model in either view; a derived symbol draws its parent's units, found
    // through this: the text of the row named `name` in the pane's library
    // (legacy or .kicad_sym), empty when there is none.
    void setSymbolLookup(Painel painel, std::function<QByteArray(const QByteArray &name)> rowText);
    const std::function<QByteArray(const QByteArray &)> &symbolLookup(Painel painel) const
    {
        return m_lookup[painel == Painel::Edicao ? 0 : 1];
    }
    // What the KiCad view offers for the pane's symbol: its units (at least
    // 1) and whether it has a converted body style; a .kicad_sym row answers
    // from its model (a derived one from its parent's).
    int unitCount(Painel painel, const QList<QByteArray> &linhas);
    bool hasBodyStyles(Painel painel, const QList<QByteArray> &linhas);

    // Hidden button "Apagar": clears Image1 and Image2.
    void apagar();

    // The text switch RxSwitch1; after changing it the window runs both
    // data-change handlers.
    bool rxSwitch1() const { return m_desenho.rxSwitch1; }
    void setRxSwitch1(bool on) { m_desenho.rxSwitch1 = on; }

signals:
    void label1Changed(const QString &texto);
    void legendasChanged(const Legendas &legendas);

private:
    bool inicia(bool tabelaVazia);
    void desenhaLinhas(const QList<QByteArray> &linhas, Painel painel);
    // The model of a .kicad_sym row's text, its parent resolved; null when
    // the text does not parse (the message in `erro`).
    std::shared_ptr<const Symbol> model(Painel painel, const QByteArray &text, QString *erro);

    PreviewImage m_image1;
    PreviewImage m_image2;
    PreviewImage m_image3;
    Desenho m_desenho;
    DesenhoKiCad m_kicad{m_desenho};
    Vista m_vista = Vista::Classica;
    // The zooms (edit, search) of the view not in use.
    qint32 m_zoomsDaOutraVista[2] = {100, 100};
    OpcoesKiCad m_opcoes[2];
    Legendas m_legendas;
    std::function<QByteArray(const QByteArray &)> m_lookup[2];
    // Models by row text: the window redraws the same rows over and over.
    struct Built
    {
        std::shared_ptr<const Symbol> symbol; // unresolved; null when broken
        QString erro;
    };
    const Built &built(const QByteArray &text);
    QHash<QByteArray, Built> m_models;
    QString m_erro;
    // The tokens of the lines of the pass being drawn.
    std::vector<Tokens> m_tokens;
};

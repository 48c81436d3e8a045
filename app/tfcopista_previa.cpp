// Analysis of the current component of each pane and its preview.
#include "tfcopista.h"

#include "comparepanel.h"
#include "imageview.h"

#include "library/componenttablemodel.h"
#include "library/kicadsymdocument.h"
#include "library/librarydocument.h"
#include "platform/dialogs.h"
#include "preview/exportaimagem.h"
#include "preview/kicad.h"

#include <QCheckBox>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QSettings>
#include <QSpinBox>
#include <QTimer>
#include <QWheelEvent>

void Tfcopista::onEditDataChange()
{
    if (m_editDoc.passagemEmMassa())
        return;
    redrawEdit();
    if (m_compare)
        m_compare->editRowChanged();
    m_edit.countLabel->setText(QString::number(m_editDoc.table().rowCount()));
}

void Tfcopista::onSearchDataChange()
{
    redrawSearch();
    showSearchCount();
    showSearchDescription();
}

// The edit pane redrawn from the editor's text as it stands, typed changes
// included, without touching the row count ("Converter").
void Tfcopista::redrawEdit()
{
    const ComponentTable &table = m_editDoc.table();
    // An empty library shows an empty preview, not its last component.
    if (table.isEmpty()) {
        syncKiCadControls(Painel::Edicao, {});
        m_analise.apagar();
        showParseError();
        return;
    }
    const QList<QByteArray> lines = editLines();
    syncKiCadControls(Painel::Edicao, lines);
    m_analise.redesenhaEdicao(false, lines, table.field(ComponentTable::Field::Nome));
    showParseError();
}

void Tfcopista::showParseError()
{
    // The analysis read the text just drawn; an empty pane has none.
    const QString error = m_editDoc.table().isEmpty() ? QString() : m_analise.legendas().erro;
    m_infoError->setText(error.isEmpty() ? QString() : QStringLiteral("Não lido: ") + error);
    m_infoError->setVisible(!error.isEmpty());
}

void Tfcopista::redrawSearch()
{
    // No row shown (an empty library, a filter that matches nothing): an
    // empty preview.
    const bool shown = m_search.model->modelRow(m_searchDoc.table().currentRow()) >= 0;
    // "Mostrar versão comparada" puts the compared version of the edit row here.
    const std::optional<QList<QByteArray>> other =
        m_compare ? m_compare->otherVersionLines() : std::nullopt;
    const QList<QByteArray> lines = other ? *other : shown ? searchLines() : QList<QByteArray>();
    syncKiCadControls(Painel::Pesquisa, lines);
    m_analise.redesenhaPesquisa(false, lines);
}

void Tfcopista::buildViewMenu()
{
    QMenu *view = menuBar()->addMenu(QStringLiteral("Exibir"));
    view->setObjectName(QStringLiteral("Exibir1"));
    m_kicadViewAction = view->addAction(QStringLiteral("Vista KiCad"));
    m_kicadViewAction->setObjectName(QStringLiteral("VistaKiCad1"));
    m_kicadViewAction->setCheckable(true);
    m_hiddenPinsAction = view->addAction(QStringLiteral("Mostrar pinos ocultos"));
    m_hiddenPinsAction->setObjectName(QStringLiteral("Mostrarpinosocultos1"));
    m_hiddenPinsAction->setCheckable(true);
    // The view chosen last time.
    const QSettings settings;
    m_kicadViewAction->setChecked(settings.value(QStringLiteral("exibir/vistaKiCad")).toBool());
    m_hiddenPinsAction->setChecked(settings.value(QStringLiteral("exibir/pinosOcultos")).toBool());
    m_analise.setVista(m_kicadViewAction->isChecked() ? Vista::KiCad : Vista::Classica);
    placePreviews();
    connect(m_kicadViewAction, &QAction::toggled, this, &Tfcopista::onViewChanged);
    connect(m_hiddenPinsAction, &QAction::toggled, this, &Tfcopista::onViewChanged);
}

void Tfcopista::onViewChanged()
{
    const bool kicad = m_kicadViewAction->isChecked();
    QSettings settings;
    settings.setValue(QStringLiteral("exibir/vistaKiCad"), kicad);
    settings.setValue(QStringLiteral("exibir/pinosOcultos"), m_hiddenPinsAction->isChecked());
    m_analise.setVista(kicad ? Vista::KiCad : Vista::Classica);
    placePreviews();
    onKiCadOptions(Painel::Edicao);
    onKiCadOptions(Painel::Pesquisa);
}

void Tfcopista::onKiCadOptions(Painel painel)
{
    Pane &pane = painel == Painel::Edicao ? m_edit : m_search;
    OpcoesKiCad opcoes;
    opcoes.unidade = pane.unit->value();
    opcoes.convertido = pane.converted->isChecked() ? 2 : 1;
    opcoes.mostraOcultos = m_hiddenPinsAction->isChecked();
    m_analise.setOpcoes(painel, opcoes);
    if (painel == Painel::Edicao)
        redrawEdit();
    else
        redrawSearch();
}

void Tfcopista::syncKiCadControls(Painel painel, const QList<QByteArray> &lines)
{
    Pane &pane = painel == Painel::Edicao ? m_edit : m_search;
    const bool kicad = m_analise.vista() == Vista::KiCad;
    for (QWidget *w :
         std::initializer_list<QWidget *>{pane.unitLabel, pane.unit, pane.converted, pane.fit})
        w->setVisible(kicad);
    if (!kicad)
        return;
    // The choices follow the symbol shown: its units, whether it has a
    // converted body style.
    const QSignalBlocker unitBlock(pane.unit);
    const QSignalBlocker convertedBlock(pane.converted);
    pane.unit->setRange(1, unidadesDoSimbolo(lines));
    const bool hasConverted = temConvertido(lines);
    pane.converted->setEnabled(hasConverted);
    if (!hasConverted)
        pane.converted->setChecked(false);
    OpcoesKiCad opcoes = m_analise.opcoes(painel);
    opcoes.unidade = pane.unit->value();
    opcoes.convertido = pane.converted->isChecked() ? 2 : 1;
    opcoes.mostraOcultos = m_hiddenPinsAction->isChecked();
    m_analise.setOpcoes(painel, opcoes);
}

void Tfcopista::onExportImage(Painel painel)
{
    Dialogs::FileOptions options;
    options.title = QStringLiteral("Exportar imagem");
    options.filter = QStringLiteral("Imagem PNG|*.png|Imagem SVG|*.svg");
    options.defaultSuffix = QStringLiteral("png");
    options.overwritePrompt = true;
    options.key = QStringLiteral("imagem");
    const std::optional<QString> path = m_dialogs->saveFile(options);
    if (!path)
        return;
    const FormatoImagem format = path->endsWith(QStringLiteral(".svg"), Qt::CaseInsensitive)
                                     ? FormatoImagem::Svg
                                     : FormatoImagem::Png;
    const QList<QByteArray> lines = painel == Painel::Edicao ? editLines() : searchLines();
    const ResultadoExportacao r = exportaImagem(m_analise, painel, lines, format, *path);
    if (!r.ok)
        m_dialogs->message(Dialogs::Kind::Error, r.motivo, Dialogs::Button::Ok);
}

void Tfcopista::onZoom(Painel painel, bool (Analise::*zoom)(Painel))
{
    if (!(m_analise.*zoom)(painel))
        return;
    if (painel == Painel::Edicao)
        redrawEdit();
    else
        redrawSearch();
}

void Tfcopista::redraw(Painel painel)
{
    if (painel == Painel::Edicao)
        redrawEdit();
    else
        redrawSearch();
}

void Tfcopista::placePreviews()
{
    const Qt::Alignment where =
        m_analise.vista() == Vista::KiCad ? Qt::AlignCenter : Qt::AlignLeft | Qt::AlignTop;
    m_edit.previewBox->setAlignment(where);
    m_search.previewBox->setAlignment(where);
}

void Tfcopista::onFit(Painel painel)
{
    const Pane &pane = painel == Painel::Edicao ? m_edit : m_search;
    // The room without scroll bars: a preview that fits needs none.
    m_analise.ajusta(painel, pane.previewBox->maximumViewportSize(),
                     [this, painel] { redraw(painel); });
}

bool Tfcopista::previewWheel(QObject *watched, QEvent *event)
{
    if (event->type() != QEvent::Wheel || m_analise.vista() != Vista::KiCad)
        return false;
    const auto *wheel = static_cast<QWheelEvent *>(event);
    if (!(wheel->modifiers() & Qt::ControlModifier))
        return false;
    const auto isOver = [watched](const Pane &p) {
        return watched == p.preview || watched == p.previewBox->viewport();
    };
    const Pane *over = isOver(m_edit) ? &m_edit : isOver(m_search) ? &m_search : nullptr;
    if (!over)
        return false;
    const Pane &pane = *over;
    const Painel painel = over == &m_edit ? Painel::Edicao : Painel::Pesquisa;
    const int passos = wheel->angleDelta().y() / 120;
    if (passos == 0)
        return true;
    QWidget *port = pane.previewBox->viewport();
    const QPoint naVista = watched == port ? wheel->position().toPoint()
                                           : pane.preview->mapTo(port, wheel->position().toPoint());
    const QPoint naPrevia = pane.preview->mapFrom(port, naVista);
    const std::optional<QPointF> depois =
        m_analise.zoomEm(painel, passos, naPrevia, [this, painel] { redraw(painel); });
    if (!depois)
        return true;
    // Scrolled so that the same point of the symbol lies under the pointer.
    // Again once the box has shown the scroll bars the grown drawing needs:
    // their ranges change then.
    const QPoint alvo = depois->toPoint() - naVista;
    QScrollArea *box = pane.previewBox;
    const auto scroll = [box, alvo] {
        box->horizontalScrollBar()->setValue(alvo.x());
        box->verticalScrollBar()->setValue(alvo.y());
    };
    scroll();
    QTimer::singleShot(0, box, scroll);
    return true;
}

void Tfcopista::onTextsSwitch()
{
    m_analise.setRxSwitch1(m_textsSwitch->isChecked());
    onEditDataChange();
    onSearchDataChange();
}

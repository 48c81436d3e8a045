#include "checkspanel.h"

#include "imageview.h"
#include "kicadsym/symbolsexpr.h"
#include "library/componenttable.h"
#include "library/componenttablemodel.h"
#include "library/librarydocument.h"
#include "preview/desenho.h"
#include "preview/previewimage.h"

#include <QHeaderView>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QTableView>
#include <QTableWidget>
#include <QVBoxLayout>

#include <functional>
#include <optional>

namespace {

// A red ring over the preview, where a finding is; it lets every click
// through to the preview.
class PreviewMarker : public QWidget
{
public:
    PreviewMarker(QWidget *parent, std::function<std::optional<QPointF>()> where)
        : QWidget(parent), m_where(std::move(where))
    {
        setObjectName(QStringLiteral("checkMarker"));
        setAttribute(Qt::WA_TransparentForMouseEvents);
        setAttribute(Qt::WA_NoSystemBackground);
    }

protected:
    void paintEvent(QPaintEvent *) override
    {
        const std::optional<QPointF> at = m_where();
        if (!at)
            return;
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(QPen(QColor(220, 0, 0), 2));
        p.setBrush(Qt::NoBrush);
        p.drawEllipse(*at, 9, 9);
        p.drawLine(*at + QPointF(-14, 0), *at + QPointF(-5, 0));
        p.drawLine(*at + QPointF(5, 0), *at + QPointF(14, 0));
    }

private:
    std::function<std::optional<QPointF>()> m_where;
};

// The layout a fixed .kicad_sym row is written in: KiCad 6 and 7 number
// their properties, later versions do not.
int layoutOf(const QByteArray &text)
{
    return text.contains("(id ") ? KicadSymVersion::v6 : KicadSymVersion::v8;
}

} // namespace

ChecksPanel::ChecksPanel(LibraryDocument &doc, QTableView *grid, ComponentTableModel *model,
                         ImageView *preview, PreviewImage &image, QLabel *info, QWidget *parent)
    : QDockWidget(QStringLiteral("Verificação"), parent), m_doc(doc), m_grid(grid), m_model(model),
      m_image(image), m_info(info)
{
    setObjectName(QStringLiteral("Verificacao"));
    auto *body = new QWidget;
    m_table = new QTableWidget(0, 4);
    m_table->setObjectName(QStringLiteral("achados"));
    m_table->setHorizontalHeaderLabels({QStringLiteral("Regra"), QStringLiteral("Símbolo"),
                                        QStringLiteral("Unidade"), QStringLiteral("Mensagem")});
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->verticalHeader()->hide();
    m_table->verticalHeader()->setDefaultSectionSize(m_table->fontMetrics().height() + 6);
    m_table->setMinimumHeight(6 * (m_table->fontMetrics().height() + 6));
    m_table->horizontalHeader()->setStretchLastSection(true);
    m_fixButton = new QPushButton(QStringLiteral("Corrigir"));
    m_fixButton->setObjectName(QStringLiteral("Corrigir"));
    m_fixButton->setToolTip(QStringLiteral(
        "Corrige nos símbolos dos achados selecionados o que as regras dizem sem margem de "
        "dúvida"));
    m_status = new QLabel;
    m_status->setObjectName(QStringLiteral("l_verificacao"));
    m_status->setWordWrap(true);
    m_status->setTextFormat(Qt::PlainText);
    auto *row = new QHBoxLayout;
    row->addWidget(m_status, 1);
    row->addWidget(m_fixButton);
    auto *column = new QVBoxLayout(body);
    column->setContentsMargins(4, 4, 4, 4);
    column->addWidget(m_table, 1);
    column->addLayout(row);
    setWidget(body);

    m_marker = new PreviewMarker(preview, [this]() -> std::optional<QPointF> {
        const ComponentTable &t = m_doc.table();
        if (!m_marked || t.isEmpty() || t.currentRow() < 0 || t.idAt(t.currentRow()) != m_markedId)
            return std::nullopt;
        const QPointF mils(double(m_markedAt.x()) / Iu::perMil,
                           double(m_markedAt.y()) / Iu::perMil);
        return Desenho::pontoDe(mils, m_image.zoom()) - QPointF(m_image.origem());
    });
    auto follow = [this, preview] {
        m_marker->setGeometry(preview->rect());
        m_marker->raise();
        m_marker->update();
    };
    connect(&m_image, &PreviewImage::changed, m_marker, follow);
    connect(&m_image, &PreviewImage::extentChanged, m_marker, follow);

    connect(m_table, &QTableWidget::currentCellChanged, this,
            [this](int line) { onActivated(line); });
    connect(m_table, &QTableWidget::cellActivated, this, [this](int line) { onActivated(line); });
    connect(m_fixButton, &QPushButton::clicked, this, &ChecksPanel::onFix);
    connect(&m_doc.table(), &ComponentTable::dataChange, this, &ChecksPanel::showCurrent);
}

void ChecksPanel::check()
{
    QList<int> rows;
    const QModelIndexList selected = m_grid->selectionModel()->selectedRows(0);
    if (selected.size() > 1)
        for (const QModelIndex &i : selected)
            rows << m_model->tableRow(i.row());
    std::sort(rows.begin(), rows.end());
    m_doc.table().storePending();
    run(rows);
    show();
    raise();
}

void ChecksPanel::run(const QList<int> &tableRows)
{
    const ComponentTable &t = m_doc.table();
    QList<int> rows = tableRows;
    if (rows.isEmpty())
        for (int r = 0; r < t.rowCount(); ++r)
            rows << r;
    QList<Klc::RowRef> refs;
    m_checkedIds.clear();
    for (int r : std::as_const(rows)) {
        refs.append({t.nameAt(r), t.comandosAt(r), &m_doc.descricoesDaLinha(r)});
        m_checkedIds << t.idAt(r);
    }
    QStringList errors;
    m_findings = Klc::checkRows(refs, {}, &errors);
    m_findingRowIds.clear();
    for (const Klc::Finding &f : std::as_const(m_findings))
        m_findingRowIds << m_checkedIds.value(f.row);
    m_marked = false;
    fill();
    QString status = m_findings.isEmpty()
                         ? QStringLiteral("Nenhum achado em %1 símbolo(s).").arg(rows.size())
                         : QStringLiteral("%1 achado(s) em %2 linha(s).")
                               .arg(m_findings.size())
                               .arg(rows.size());
    if (!errors.isEmpty())
        status += QStringLiteral(" Ilegíveis: ") + errors.join(QStringLiteral("; "));
    m_status->setText(status);
    showCurrent();
    m_marker->update();
}

void ChecksPanel::fill()
{
    m_table->setRowCount(0);
    m_table->setRowCount(int(m_findings.size()));
    for (int i = 0; i < m_findings.size(); ++i) {
        const Klc::Finding &f = m_findings[i];
        const QStringList cells = {QLatin1String(Klc::ruleName(f.rule)),
                                   QString::fromUtf8(f.symbol), QString::number(f.unit), f.message};
        for (int c = 0; c < cells.size(); ++c)
            m_table->setItem(i, c, new QTableWidgetItem(cells[c]));
    }
    m_table->resizeColumnsToContents();
    m_table->horizontalHeader()->setStretchLastSection(true);
}

void ChecksPanel::onActivated(int line)
{
    if (line < 0 || line >= m_findings.size())
        return;
    const Klc::Finding &f = m_findings[line];
    ComponentTable &t = m_doc.table();
    const int row = t.rowOfId(m_findingRowIds[line]);
    if (row < 0)
        return;
    m_marked = f.located;
    m_markedId = m_findingRowIds[line];
    m_markedAt = f.at;
    if (t.currentRow() != row)
        t.moveTo(row);
    m_marker->update();
}

void ChecksPanel::showCurrent()
{
    if (!m_info)
        return;
    const ComponentTable &t = m_doc.table();
    QStringList lines;
    if (!t.isEmpty() && t.currentRow() >= 0) {
        const quint64 id = t.idAt(t.currentRow());
        for (int i = 0; i < m_findings.size(); ++i)
            if (m_findingRowIds[i] == id)
                lines << QStringLiteral("%1 %2 (unidade %3): %4")
                             .arg(QLatin1String(Klc::ruleName(m_findings[i].rule)),
                                  QString::fromUtf8(m_findings[i].symbol))
                             .arg(m_findings[i].unit)
                             .arg(m_findings[i].message);
    }
    m_info->setText(QStringLiteral("Verificação: ") +
                    (lines.isEmpty() ? QStringLiteral("nenhum achado") : lines.join(u'\n')));
}

void ChecksPanel::onFix()
{
    QList<quint64> ids;
    const QModelIndexList selected = m_table->selectionModel()->selectedRows(0);
    for (const QModelIndex &i : selected)
        if (!ids.contains(m_findingRowIds.value(i.row())))
            ids << m_findingRowIds.value(i.row());
    if (ids.isEmpty())
        ids = m_findingRowIds;
    ComponentTable &t = m_doc.table();
    t.storePending();
    QStringList said;
    for (quint64 id : std::as_const(ids)) {
        const int row = t.rowOfId(id);
        if (row < 0)
            continue;
        const QByteArray text = t.comandosAt(row);
        const Klc::RowFix fix = Klc::fixRow(text, {}, layoutOf(text));
        if (fix.changes.isEmpty())
            continue;
        QStringList what;
        for (const Klc::Change &c : fix.changes)
            what << QLatin1String(Klc::ruleName(c.rule)) + QLatin1Char(' ') + c.what;
        const QString name = QString::fromLatin1(t.nameAt(row));
        m_doc.beginStep(QStringLiteral("Corrigir %1").arg(name));
        t.moveTo(row);
        t.edit();
        t.setField(ComponentTable::Field::Comandos, fix.text);
        t.post();
        m_doc.endStep();
        said << name + QStringLiteral(": ") + what.join(QStringLiteral(", "));
    }
    // The rows the last run read are read again.
    QList<int> rows;
    for (quint64 id : std::as_const(m_checkedIds))
        if (const int r = t.rowOfId(id); r >= 0)
            rows << r;
    std::sort(rows.begin(), rows.end());
    run(rows);
    m_status->setText(said.isEmpty()
                          ? QStringLiteral("Nada a corrigir.")
                          : QStringLiteral("Corrigido: ") + said.join(QStringLiteral("; ")));
}

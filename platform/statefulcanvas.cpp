#include "statefulcanvas.h"

#include "imagecanvas.h"

#include <QFontMetrics>

namespace {

QFont qtFont(const Fonte &fonte)
{
    QFont f(fonte.nome);
    f.setPixelSize(ImageCanvas::pixelSize(fonte.tamanho));
    return f;
}

} // namespace

int StatefulCanvas::textWidth(const QString &text)
{
    return QFontMetrics(qtFont(m_font)).horizontalAdvance(text);
}

int StatefulCanvas::textHeight(const QString &)
{
    return QFontMetrics(qtFont(m_font)).height();
}

QRect StatefulCanvas::textExtent(int x, int y, const QString &text)
{
    if (text.isEmpty())
        return {};
    return extensaoGirada(celulaDoTexto(QFontMetrics(qtFont(m_font)), text), QPoint(x, y),
                          m_font.rotacao);
}

QRect StatefulCanvas::labelExtent(QPoint anchor, const QString &text, const EstiloTexto &estilo)
{
    if (text.isEmpty())
        return {};
    return Pintor::extensaoLabel(m_medidor.layout(text, estilo), anchor, text, estilo);
}

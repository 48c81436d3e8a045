#include "linelist.h"

QList<QByteArray> linhas(const QByteArray &texto)
{
    QList<QByteArray> result;
    paraCadaLinha(texto, [&](const QByteArray &line) {
        result.append(QByteArray(line.constData(), line.size()));
    });
    return result;
}

QByteArray juntaCrLf(const QList<QByteArray> &lines)
{
    return lines.join("\r\n");
}

#pragma once

#include "desenho.h"

#include <QByteArray>
#include <QList>
#include <QString>

class Analise;

enum class FormatoImagem { Png, Svg };

// The outcome of an export: ok, or why it failed (for the user, in
// Portuguese).
struct ResultadoExportacao
{
    bool ok = true;
    QString motivo;

    friend bool operator==(const ResultadoExportacao &, const ResultadoExportacao &) = default;
};

// Writes a pane's drawing of `linhas` (its command text) to `caminho`, as
// the pane shows it: the pane's zoom, the view in use and the pane's KiCad
// options, the bounding box with its margin. PNG: the preview's pixels. SVG:
// the same drawing as vector lines and real text, through the same drawing
// routines. The file is replaced atomically; on failure an old file at
// `caminho` stays as it was. Nothing of the panes or the information panel
// changes.
ResultadoExportacao exportaImagem(Analise &analise, Painel painel, const QList<QByteArray> &linhas,
                                  FormatoImagem formato, const QString &caminho);

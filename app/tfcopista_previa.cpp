// Analysis of the current component of each pane and its preview.
#include "tfcopista.h"

#include "library/librarydocument.h"

#include <QCheckBox>
#include <QLabel>

void Tfcopista::onEditDataChange()
{
    if (m_editDoc.passagemEmMassa())
        return;
    redrawEdit();
    m_edit.countLabel->setText(QString::number(m_editDoc.table().rowCount()));
}

void Tfcopista::onSearchDataChange()
{
    redrawSearch();
    showSearchCount();
}

// The edit pane redrawn from the editor's text as it stands, typed changes
// included, without touching the row count ("Converter").
void Tfcopista::redrawEdit()
{
    const ComponentTable &table = m_editDoc.table();
    m_analise.redesenhaEdicao(table.isEmpty(), editLines(),
                              table.field(ComponentTable::Field::Nome));
}

void Tfcopista::redrawSearch()
{
    m_analise.redesenhaPesquisa(m_searchDoc.table().isEmpty(), searchLines());
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

void Tfcopista::onTextsSwitch()
{
    m_analise.setRxSwitch1(m_textsSwitch->isChecked());
    onEditDataChange();
    onSearchDataChange();
}

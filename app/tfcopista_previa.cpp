// Analysis of the current component of each pane and its preview.
#include "tfcopista.h"

#include <QCheckBox>
#include <QLabel>

void Tfcopista::DS_compDataChange()
{
    if (passagemEmMassa)
        return;
    analise.redesenhaEdicao(RxMD_comp.isEmpty(), linhasEdicao(),
                            RxMD_comp.field(ComponentTable::Field::Nome));
    Label1->setText(QString::number(RxMD_comp.rowCount()));
}

void Tfcopista::DS_comp2DataChange()
{
    analise.redesenhaPesquisa(RxMD_comp2.isEmpty(), linhasPesquisa());
    Label2->setText(QString::number(RxMD_comp2.rowCount()));
}

// The bare passes, on whatever pane and zoom the caller selected.
void Tfcopista::converter()
{
    analise.converter(RxMD_comp.isEmpty(), linhasEdicao(),
                      RxMD_comp.field(ComponentTable::Field::Nome));
}

void Tfcopista::converter2()
{
    analise.converter2(RxMD_comp2.isEmpty(), linhasPesquisa());
}

// "Converter": the edit pane redrawn from the editor's text as it stands,
// typed changes included, without touching the row count.
void Tfcopista::Button2Click()
{
    analise.redesenhaEdicao(RxMD_comp.isEmpty(), linhasEdicao(),
                            RxMD_comp.field(ComponentTable::Field::Nome));
}

void Tfcopista::Button1Click()
{
    analise.apagar();
}

void Tfcopista::BitBtn1Click()
{
    if (analise.zoomMais(Painel::Edicao))
        Button2Click();
}

void Tfcopista::BitBtn2Click()
{
    if (analise.zoomMenos(Painel::Edicao))
        Button2Click();
}

void Tfcopista::BitBtn3Click()
{
    if (analise.zoomNormal(Painel::Edicao))
        Button2Click();
}

void Tfcopista::BitBtn4Click()
{
    if (analise.zoomMais(Painel::Pesquisa))
        analise.redesenhaPesquisa(RxMD_comp2.isEmpty(), linhasPesquisa());
}

void Tfcopista::BitBtn5Click()
{
    if (analise.zoomMenos(Painel::Pesquisa))
        analise.redesenhaPesquisa(RxMD_comp2.isEmpty(), linhasPesquisa());
}

void Tfcopista::BitBtn6Click()
{
    if (analise.zoomNormal(Painel::Pesquisa))
        analise.redesenhaPesquisa(RxMD_comp2.isEmpty(), linhasPesquisa());
}

void Tfcopista::RxSwitch1Click()
{
    analise.setRxSwitch1(RxSwitch1->isChecked());
    DS_compDataChange();
    DS_comp2DataChange();
}

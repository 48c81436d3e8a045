// Analysis of the current component of each pane and its preview.
#include "tfcopista.h"

#include <QLabel>

void Tfcopista::DS_compDataChange()
{
    if (passagemEmMassa)
        return;
    converter();
    Label1->setText(QString::number(RxMD_comp.rowCount()));
}

void Tfcopista::DS_comp2DataChange()
{
    converter2();
    Label2->setText(QString::number(RxMD_comp2.rowCount()));
}

void Tfcopista::converter() {}
void Tfcopista::converter2() {}
void Tfcopista::Button2Click() { converter(); }
void Tfcopista::Button1Click() {}
void Tfcopista::BitBtn1Click() {}
void Tfcopista::BitBtn2Click() {}
void Tfcopista::BitBtn3Click() {}
void Tfcopista::BitBtn4Click() {}
void Tfcopista::BitBtn5Click() {}
void Tfcopista::BitBtn6Click() {}
void Tfcopista::RxSwitch1Click()
{
    DS_compDataChange();
    DS_comp2DataChange();
}

// Editing the edit library and the footprint tools.
#include "tfcopista.h"

void Tfcopista::RxSB_copiarClick() {}
void Tfcopista::RxSB_apagarClick() {}
void Tfcopista::RxSpeedButton2Click() {}
void Tfcopista::RxSpeedButton4Click() {}
void Tfcopista::RxSpeedButton1Click() {}
void Tfcopista::RxSB_checarClick() {}
void Tfcopista::m_rot_ilhaClick() {}
void Tfcopista::m_sob_zeroClick() {}
void Tfcopista::troca_tam() {}
void Tfcopista::troca_zero() {}

void Tfcopista::textlistbox1KeyDown(int &key, Qt::KeyboardModifiers shift)
{
    Q_UNUSED(shift); // Shift+F8 rotates like F8
    // Every key puts the row into edit state first, so that whatever the
    // key or a pad tool then does to the text is stored like typing.
    RxMD_comp.edit();
    if (key == 119)
        m_rot_ilhaClick();
    else if (key == 118)
        m_sob_zeroClick();
    else if (key == 120)
        troca_zero();
    else if (key == 121)
        troca_tam();
}

void Tfcopista::textlistbox1Enter() {}
void Tfcopista::textlistbox1Change() {}

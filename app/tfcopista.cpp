#include "tfcopista.h"
Tfcopista::Tfcopista(QWidget *parent) : QMainWindow(parent) {}

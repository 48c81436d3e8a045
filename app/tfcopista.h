#pragma once
#include <QMainWindow>
class Tfcopista : public QMainWindow
{
    Q_OBJECT
public:
    explicit Tfcopista(QWidget *parent = nullptr);
};

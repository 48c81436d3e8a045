#include "librarydocument.h"

LibraryDocument::LibraryDocument(QObject *parent) : QObject(parent)
{
    connect(&m_table, &ComponentTable::afterEdit, this, [this] { setModificado(true); });
}

void LibraryDocument::setTitulo(const QString &titulo)
{
    if (titulo == m_titulo)
        return;
    m_titulo = titulo;
    emit tituloChanged(m_titulo);
}

void LibraryDocument::setModificado(bool on)
{
    if (on == m_modificado)
        return;
    m_modificado = on;
    emit modificadoChanged(m_modificado);
}

#pragma once

#include "library/componenttable.h"

#include <QObject>
#include <QString>

// One pane's library: its component table, the title its pane shows (the
// file's path, "nova" for a new library, empty before anything was loaded),
// the modified flag and the bulk-pass flag. Documents belong to the
// application, not to the window: they are made before the window and
// outlive every widget bound to them.
class LibraryDocument : public QObject
{
    Q_OBJECT

public:
    explicit LibraryDocument(QObject *parent = nullptr);

    ComponentTable &table() { return m_table; }
    const ComponentTable &table() const { return m_table; }

    QString titulo() const { return m_titulo; }
    void setTitulo(const QString &titulo);

    // The library holds changes not saved yet. Putting a row into edit state
    // sets it.
    bool modificado() const { return m_modificado; }
    void setModificado(bool on);

    // A command is walking the table: the pane does not redraw its preview
    // for each row it passes.
    bool passagemEmMassa() const { return m_passagemEmMassa; }
    void setPassagemEmMassa(bool on) { m_passagemEmMassa = on; }

    // The file last chosen in this pane's open dialog, loaded or not; the
    // search pane's dialog proposes it next time.
    QString ultimaEscolha() const { return m_ultimaEscolha; }
    void setUltimaEscolha(const QString &path) { m_ultimaEscolha = path; }

signals:
    void tituloChanged(const QString &titulo);
    void modificadoChanged(bool modificado);

private:
    ComponentTable m_table;
    QString m_titulo;
    QString m_ultimaEscolha;
    bool m_modificado = false;
    bool m_passagemEmMassa = false;
};

// Sets a document's bulk-pass flag for one scope and clears it when the
// scope ends, however it ends.
class PassagemEmMassa
{
public:
    explicit PassagemEmMassa(LibraryDocument &doc) : m_doc(doc) { m_doc.setPassagemEmMassa(true); }
    ~PassagemEmMassa() { m_doc.setPassagemEmMassa(false); }
    PassagemEmMassa(const PassagemEmMassa &) = delete;
    PassagemEmMassa &operator=(const PassagemEmMassa &) = delete;

private:
    LibraryDocument &m_doc;
};

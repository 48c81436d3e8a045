#pragma once

#include "kicadsym/kicadsymlibrary.h"
#include "library/componenttable.h"
#include "library/dcmfile.h"

#include <QList>
#include <QObject>
#include <QString>
#include <QUndoStack>
#include <optional>

class LibraryStep;

// One library file a document holds rows of: its path, the name the grid's
// "Biblioteca" column shows (the file name without extension) and the
// descriptions of its .dcm.
struct LibraryFileInfo
{
    QString caminho;
    QString nome;
    Descricoes descricoes;
    // A .kicad_sym file or .kicad_symdir folder: the library as read, which
    // writing it again in its version needs (kicadsymdocument.h).
    std::optional<KicadSymLibrary> kicad;
};

// One pane's library: its component table, the title its pane shows (the
// file's path, or folder, "nova" for a new library, empty before anything
// was loaded), the library files its rows came from with their
// descriptions, the modified flag, the bulk-pass flag and the undo history.
// Documents belong to the application, not to the window: they are made
// before the window and outlive every widget bound to them.
//
// Undo: every stored change of a row (ComponentTable::rowStored) is a step
// of its own ("Editar X", "Renomear X", ...), unless a command groups its
// changes between beginStep and endStep. The modified flag follows the
// history's clean state: undoing back to the loaded or saved state clears it.
class LibraryDocument : public QObject
{
    Q_OBJECT

public:
    explicit LibraryDocument(QObject *parent = nullptr);
    ~LibraryDocument() override;

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
    void setPassagemEmMassa(bool on);

    // The library files the rows came from (one for a library loaded alone,
    // one per file for a folder, none for a new library); a row's number
    // (ComponentTable::bibliotecaAt) indexes this list.
    const QList<LibraryFileInfo> &bibliotecas() const { return m_bibliotecas; }
    void setBibliotecas(QList<LibraryFileInfo> bibliotecas);
    // The file the library is loaded from and saved to: that of its one
    // library file; empty for a new library and for a folder.
    QString filePath() const;
    // A library saved under a new name: that name becomes its file.
    void setFilePath(const QString &path);
    // The descriptions of the library file of a row (an empty set when the
    // row's number names no file).
    const Descricoes &descricoesDaLinha(int row) const;
    // The descriptions the document writes beside its library when saved:
    // those of its first library file.
    Descricoes &descricoes();
    // Whether rows come from more than one file (the grid then names each
    // row's library).
    bool variasBibliotecas() const { return m_variasBibliotecas; }
    void setVariasBibliotecas(bool on) { m_variasBibliotecas = on; }

    // Undo history.
    QUndoStack &historico() { return m_historico; }
    // Groups every row change until endStep into one step named `texto`.
    // Nested calls join the outer step.
    void beginStep(const QString &texto);
    // `ordenou`: the command sorted the table at its end (redo sorts again).
    void endStep(bool ordenou = false);
    // Drops the open step, undoing what it changed.
    void abortStep();
    // Changes the descriptions inside the open step: the entries of `nomes`
    // become `depois` (in that order; a name may have several), remembering
    // the entries they had.
    void mudaDescricoes(const QList<QByteArray> &nomes, const QList<Descricao> &depois);

    // A description belongs to its component, not to its name: the rules
    // below keep every other component's entries when names coincide. A
    // name's entries run newcomers first, so the entry a name had stays the
    // one found; a component leaving a name shared with others takes (or
    // drops) the first of its entries, and only when the name has more
    // entries than holders left.

    // How many rows hold `nome` as their .dcm name (dcmName) or an alias.
    int holdersOf(const QByteArray &nome) const;
    // Puts a component's entries in (inside the open step) before the
    // entries their names already have.
    void addDescriptions(const QList<Descricao> &entradas);
    // Drops the entries of a component whose row has just left the table:
    // of each of its names, as many entries as the name has beyond the rows
    // still holding it.
    void dropDescriptions(const QByteArray &nome, const QByteArray &comandos);
    // Undo and redo store a pending edit first (it becomes a step of its own).
    void desfaz();
    void refaz();
    // The step undo and redo would take back or do again now, as their menu
    // items name it; none when there is nothing to do. A pending change
    // (`typed`: a bound control holds changed text) is what undo takes back
    // first, and leaves nothing to redo: storing it drops the redo steps.
    std::optional<QString> undoText(bool typed) const;
    std::optional<QString> redoText(bool typed) const;
    // A loaded, new or saved library: the history starts again, or its
    // current state becomes the clean one.
    void limpaHistorico();
    void marcaSalvo();

    // The file last chosen in this pane's open dialog, loaded or not; the
    // search pane's dialog proposes it next time.
    QString ultimaEscolha() const { return m_ultimaEscolha; }
    void setUltimaEscolha(const QString &path) { m_ultimaEscolha = path; }

signals:
    void tituloChanged(const QString &titulo);
    void modificadoChanged(bool modificado);
    // A bulk pass ended: the current row may differ from the one shown.
    void bulkPassEnded();

private:
    friend class LibraryStep;
    void rowStored(const ComponentTable::RowChange &change);
    void renomeiaDescricoes(const ComponentTable::RowChange &change);

    ComponentTable m_table;
    QList<LibraryFileInfo> m_bibliotecas;
    bool m_variasBibliotecas = false;
    QUndoStack m_historico;
    LibraryStep *m_aberto = nullptr; // the step being gathered
    int m_profundidade = 0;
    bool m_replaying = false;
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

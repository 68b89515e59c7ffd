#pragma once

#include "toolkit/SqlRowImage.h"

#include <QList>
#include <QObject>
#include <QString>

namespace pelmora
{

class DataModule;

// The changes made to orders and items since the program started, newest last, for undo and
// redo: each keeps the affected rows as they were before it (to undo) and after it (to redo).
// Undoing or redoing restores those rows exactly, in one transaction; when that fails nothing
// changes and the change stays where it was. A new change forgets what was undone. Only the
// last kDepth changes are kept; they are forgotten when another database file is opened.
class OrderHistory : public QObject
{
    Q_OBJECT
  public:
    static constexpr int kDepth = 100;

    // Rows of a table by their integer keys.
    struct Target {
        QString table;
        QString keyColumn;
        QList<qint64> keys;
        QStringList columns; // only these (a change that writes nothing else); empty: whole rows
    };
    struct Change {
        QString label;
        QList<toolkit::SqlRowImage> before;
        QList<toolkit::SqlRowImage> after;
        // An edit that the next edit of the same rows completes (New cleared when editing
        // starts): the two are undone as one.
        bool joinsNext = false;
        // Tells this change from every other one kept since the start.
        quint64 serial = 0;
    };

    explicit OrderHistory(DataModule& data, QObject* parent = nullptr);

    // The rows as they are now: the first half of a change. Throws std::runtime_error.
    QList<toolkit::SqlRowImage> images(const QList<Target>& targets) const;
    // The change whose rows were before and are now as they read now. Throws.
    Change made(const QString& label, const QList<toolkit::SqlRowImage>& before) const;
    // Keeps a change (made() and then committed by the caller).
    void push(Change change);
    // made() and push() for a change already committed. Throws.
    void record(const QString& label, const QList<toolkit::SqlRowImage>& before, bool joinsNext = false);

    bool canUndo() const { return !undo_.isEmpty(); }
    bool canRedo() const { return !redo_.isEmpty(); }
    int undoCount() const { return int(undo_.size()); }
    int redoCount() const { return int(redo_.size()); }
    QString undoLabel() const { return canUndo() ? undo_.last().label : QString(); }
    QString redoLabel() const { return canRedo() ? redo_.last().label : QString(); }
    // The change that undo would undo (0: none), so that an offer to undo one change is not
    // taken up for another.
    quint64 undoSerial() const { return canUndo() ? undo_.last().serial : 0; }

    // Restores the rows of the last change as they were before it, in one transaction, and
    // returns its label. Throws std::runtime_error; nothing changes then.
    QString undo();
    // Makes the last undone change again. Throws; nothing changes then.
    QString redo();
    void clear();

  signals:
    // What can be undone or redone changed.
    void changed();
    // Rows were put back by undo or redo: whatever shows them reads them again.
    void restored();

  private:
    void restore(const QList<toolkit::SqlRowImage>& images);
    // Restores the last change of from (as it was before it when going back) and moves it to to.
    QString step(QList<Change>& from, QList<Change>& to, bool back);
    void followDatabase();

    DataModule& data_;
    QString location_;
    QList<Change> undo_;
    QList<Change> redo_;
    quint64 lastSerial_ = 0;
};

} // namespace pelmora

#pragma once
// Recordset over SQLite, shaped like the recordset model the windows were
// written against: static cursor, 1-based positions, BOF/EOF, fields by name
// without regard to case, AddNew / set fields / Update.
#include <QString>
#include <QVariant>

#include <cstdint>
#include <memory>

#include "platform/connection.h"

namespace zv {

// Makes `view` updatable through a Recordset: its rows are addressed by
// `keyColumn`, and a row added through it gets its key back as the largest
// `keyColumn` of `keyTable`, which the view's INSTEAD OF INSERT trigger must
// have written. Names are written as in SQL; the view's is matched without
// regard to letter case, and registering it again replaces what it had.
// Views not registered are read whole and read-only.
void registerKeyedView(const QString& view, const QString& keyColumn, const QString& keyTable);

class Recordset {
public:
    Recordset();  // closed; defined where Impl is complete
    // Opens `source`: a table or view name, or SQL text. "select * from NAME ..."
    // and a bare NAME are updatable when NAME is a table or a registered view
    // (rows are addressed by their key: the registered key column of a view,
    // ID1 for a table whose integer primary key it is, rowid for other tables);
    // any other SQL is read-only and read whole.
    // An updatable set reads its keys at the first use that needs them (a
    // count, a move, a field of a row), so a set opened only to add rows reads
    // none; a write through the same connection before that use makes it read
    // them first, so the set is still the one of its open. Rows are read in
    // windows from where they are reached, a few with the keys; a window is
    // kept while neither this connection nor another connection of the
    // program has written since, and once fields have been read it holds
    // only the columns read so far (a field of another column reads its
    // window again). Once a set has read few of the columns, the next set
    // opened with the same SQL on the connection reads those columns with
    // its keys, holding the rows it finds up to what a window may hold.
    // A field becomes a QVariant only when read.
    Recordset(Connection& cn, const QString& source);
    // The same with bound parameters (?1, ?2 ...), so a record's text never
    // becomes part of the SQL: "select * from NAME where valori = ?1 order by
    // limite" is updatable, its parameters bound at the open and at every
    // requery; SQL that cannot be keyed is read whole with them bound. A number
    // of parameters other than the SQL takes fails with err::InvalidCall.
    Recordset(Connection& cn, const QString& source, const QVariantList& params);
    ~Recordset();
    Recordset(const Recordset&) = delete;
    Recordset& operator=(const Recordset&) = delete;
    Recordset(Recordset&&) noexcept;
    Recordset& operator=(Recordset&&) noexcept;

    void open(Connection& cn, const QString& source);
    void open(Connection& cn, const QString& source, const QVariantList& params);
    // The same as open with parameters.
    void openQuery(Connection& cn, const QString& sql, const QVariantList& params);
    void close() noexcept;
    bool isOpen() const noexcept;

    int64_t recordCount() const;
    // 1-based; setting a position outside 1..recordCount fails with err::InvalidCall.
    int64_t absolutePosition() const;  // 0 when at BOF or EOF
    void setAbsolutePosition(int64_t position);
    bool bof() const;
    bool eof() const;
    void moveFirst();
    void moveLast();
    void moveNext();      // past the last row -> EOF; at EOF fails with err::NoCurrentRecord
    void movePrevious();  // before the first -> BOF; at BOF fails with err::NoCurrentRecord
    void requery();

    int fieldCount() const;
    QString fieldName(int index) const;
    bool hasField(const QString& name) const;
    // Field of the current row by name, letter case ignored. Unknown name fails
    // with err::ItemNotFound (3265); no current row fails with err::NoCurrentRecord.
    // NULL reads as QVariant() (isNull()). A row that another connection of the
    // program deleted after the open reads as all NULL, like a row with nothing in it.
    QVariant field(const QString& name) const;
    // NULL reads as ""; a number reads in the regional format (numberText).
    QString text(const QString& name) const;

    // Editing: set fields, then update() writes the row in one commit.
    // Text set into a numeric column is converted with the connection's decimal
    // mark first; text that is not a number fails here with err::TypeMismatch.
    // Empty text into a numeric column stores NULL.
    void addNew();
    void setField(const QString& name, const QVariant& value);
    void update();
    void cancelUpdate() noexcept;
    bool editing() const noexcept;
    bool isNewRow() const noexcept;

    // The current row's key (see the constructor), for statements the caller builds.
    int64_t currentKey() const;

    // How many rows the set holds in memory now: all of a read-only set; of
    // an updatable one, those of the last window read (or those its key scan
    // kept).
    int64_t rowsHeld() const;
    // What the rows an updatable set holds take, counted as a window is
    // bounded (never more than 2 MiB); -1 for a read-only set.
    int64_t bytesHeld() const;

private:
    struct Impl;
    std::unique_ptr<Impl> d_;
};

}  // namespace zv

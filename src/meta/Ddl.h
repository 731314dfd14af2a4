// Statement texts of the schema changes that follow the catalogue: tables
// with their key and sequence, columns by field type, foreign keys of links,
// unique constraints, and the three triggers that keep a summing field equal
// to the sum of its child rows. Every statement is a list of lines, sent as
// the lines of one statement (TIBSQL::SQL). The metadata classes execute
// these texts; the database set-up uses the same texts for the tables it
// creates, so there is one source for every generated statement.
#pragma once

#include "Obj.h"

#include <QList>
#include <QString>
#include <QStringList>

// Names that the statements of a summing field are made of.
struct TAgrFldNames {
    QString Field;        // the summing field's column (trigger names are derived from it)
    QString ChildTable;   // table of the summed child rows
    QString ParentTable;  // table of the summing field
    QString ParentPK;     // key column of the parent table
    QString ChildFK;      // referencing column of the link, in the child table
    QString Summed;       // summed column of the child table
};

// TObj.CreateTable: "create table", the key constraint and the sequence
// (named like the key column), in this order.
QList<QStringList> CreateTableSql(const QString& ATable, const QString& APKField);

// TObj.DropTable: "drop table", "drop sequence" and the deletion of the OBJ row.
QList<QStringList> DropTableSql(const QString& ATable, const QString& APKField, int AObjId);

// TObj.CreateIndex: the three-line unique constraint over AFields (in order).
QStringList CreateIndexSql(const QString& ATable, const QStringList& AFields);

// TFld.CreateField, the column: one statement, or none for a key field (its
// column comes with the table). A formula field has no column: raises
// "Неизвестный тип поля %d" with the type's ordinal.
QList<QStringList> CreateFieldSql(const QString& ATable, const QString& AField, TFldType AFldType, int ASize,
                                  bool ANotNull, bool ADef0);
QList<QStringList> CreateFieldSql(const TFld* AFld);

// The insert, delete and update triggers of a summing field, in this order.
QList<QStringList> AgrTriggersSql(const TAgrFldNames& ANames);
// TFld.ReCalcAgrFld: the update that fills a summing field from existing child rows.
QStringList ReCalcAgrFldSql(const TAgrFldNames& ANames);
// The names of an in-memory summing field (its AgrObjLink and AgrFld must be
// set); raises for a field that does not sum anything.
TAgrFldNames AgrFldNames(const TFld* AFld);

// TFld.DropField: for a summing field the three "drop trigger" statements,
// for a stored field "alter table ... drop", then the deletion of the FLD row.
// A key or formula field raises "Неизвестный тип поля \"%d\"" before anything.
QList<QStringList> DropFieldSql(const QString& ATable, const QString& AField, TFldType AFldType, bool AVirt,
                                bool AAgr, int AFldId);
QList<QStringList> DropFieldSql(const TFld* AFld);

// TObjLink.CreateLink: the three-line foreign key of a link.
QStringList CreateLinkSql(const QString& AChildTable, const QString& AParentTable, const QString& AChildField,
                          const QString& AParentPK, TFKRule ADeleteRule);
QStringList CreateLinkSql(const TObjLink* ALink);

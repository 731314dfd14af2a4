// Builds small catalogues with SQL for loader tests.
#pragma once

#include "TestSession.h"

#include <QString>

struct TCatalogFixture {
    TTestSession& S;

    // An object with its key field "<ATable>_ID"; answers the object id.
    int AddObj(const QString& ATable, const QString& ACapt2, bool ARef = false, bool AMeta = false)
    {
        int id = GenId(QStringLiteral("OBJ_ID"));
        S.Exec(QStringLiteral("insert into OBJ (OBJ_ID, OBJ_TABLE, OBJ_CAPT, OBJ_CAPT2, OBJ_REF, OBJ_META, OBJ_SYS) "
                              "values (%1, '%2', '%3', '%3', %4, %5, 0)")
                   .arg(id)
                   .arg(ATable, ACapt2)
                   .arg(ARef ? 1 : 0)
                   .arg(AMeta ? 1 : 0));
        AddFld(id, ATable + QStringLiteral("_ID"), QStringLiteral("pk"), QStringLiteral("Код"));
        return id;
    }

    int AddFld(int AObjId, const QString& AField, const QString& AType, const QString& ACapt, int ASize = 0,
               const QString& AExtraCols = {}, const QString& AExtraVals = {})
    {
        int id = GenId(QStringLiteral("FLD_ID"));
        S.Exec(QStringLiteral("insert into FLD (FLD_ID, OBJ_ID, FLD_FIELD, FLDTYPE_ID, FLD_SIZE, FLD_NOTNULL, "
                              "FLD_CAPT, FLD_MAIN, FLD_VIRT, FLD_SYS, FLD_FRMLHAVE, FLD_DEF0%6) "
                              "values (%1, %2, '%3', %4, %5, 0, '%7', 0, 0, 0, 0, 0%8)")
                   .arg(id)
                   .arg(AObjId)
                   .arg(AField)
                   .arg(FldTypeId(AType))
                   .arg(ASize)
                   .arg(AExtraCols.isEmpty() ? QString() : QStringLiteral(", ") + AExtraCols, ACapt,
                        AExtraVals.isEmpty() ? QString() : QStringLiteral(", ") + AExtraVals));
        return id;
    }

    int PkFld(int AObjId)
    {
        return S.Value(QStringLiteral("select FLD_ID from FLD where OBJ_ID = %1 and FLDTYPE_ID = %2")
                           .arg(AObjId)
                           .arg(FldTypeId(QStringLiteral("pk"))))
            .ToInt();
    }

    // A link from the parent's key to the child's reference field.
    int AddDep(int AParentObjId, int AChildFldId, const QString& AName, const QString& ARule = QStringLiteral("Cascade"))
    {
        int id = GenId(QStringLiteral("DEP_ID"));
        S.Exec(QStringLiteral("insert into DEP (DEP_ID, FLD_ID_PAR, FLD_ID_CHI, FKRULE_ID, DEP_MAIN, DEP_DET, "
                              "DEP_CAPT, DEP_SYS, DEP_NAME) values (%1, %2, %3, %4, 1, 1, '', 0, '%5')")
                   .arg(id)
                   .arg(PkFld(AParentObjId))
                   .arg(AChildFldId)
                   .arg(FKRuleId(ARule))
                   .arg(AName));
        return id;
    }

    // A formula node; answers its id.
    int AddFrml(int AFldId, int ALft, int ARgt, const QString& AFunc = {}, int AFldValue = 0,
                const QString& AValue = {}, bool APath = false)
    {
        int id = GenId(QStringLiteral("FRMLTREE_ID"));
        S.Exec(QStringLiteral("insert into FRMLTREE (FRMLTREE_ID, FLD_ID, FRMLTREE_LFT, FRMLTREE_RGT, FRMLFUNC_ID, "
                              "FLD_ID_VALUE, FRMLTREE_PATHHAVE, FRMLTREE_VALUE) values (%1, %2, %3, %4, %5, %6, %7, %8)")
                   .arg(id)
                   .arg(AFldId)
                   .arg(ALft)
                   .arg(ARgt)
                   .arg(AFunc.isEmpty() ? QStringLiteral("null") : QString::number(FrmlFuncId(AFunc)))
                   .arg(AFldValue ? QString::number(AFldValue) : QStringLiteral("null"))
                   .arg(APath ? 1 : 0)
                   .arg(AValue.isEmpty() ? QStringLiteral("null") : QStringLiteral("'%1'").arg(AValue)));
        return id;
    }

    // A path step; AId orders the steps (0: next from the sequence).
    void AddPath(int AFrmlId, int AFldId, int AId = 0)
    {
        S.Exec(QStringLiteral("insert into FRMLTRPT (FRMLTRPT_ID, FRMLTREE_ID, FLD_ID) values (%3, %1, %2)")
                   .arg(AFrmlId)
                   .arg(AFldId)
                   .arg(AId ? QString::number(AId) : QStringLiteral("gen_id(FRMLTRPT_ID, 1)")));
    }

    void SetFormulaHave(int AFldId)
    {
        S.Exec(QStringLiteral("update FLD set FLD_FRMLHAVE = 1 where FLD_ID = %1").arg(AFldId));
    }

    // ------------------------------------------------ views and filters

    // A text as an SQL literal; a null QString gives null.
    static QString Lit(const QString& AText)
    {
        if (AText.isNull()) return QStringLiteral("null");
        QString s = AText;
        return QStringLiteral("'") + s.replace(QLatin1Char('\''), QStringLiteral("''")) + QStringLiteral("'");
    }
    static QString IdOrNull(int AId) { return AId ? QString::number(AId) : QStringLiteral("null"); }
    // A flag: negative gives null.
    static QString FlagOrNull(int AFlag) { return AFlag < 0 ? QStringLiteral("null") : QString::number(AFlag); }

    // The object of that table when the catalogue already describes it,
    // otherwise a new one (with its key field).
    int ObjOfTable(const QString& ATable, const QString& ACapt2)
    {
        Variant id = S.Value(QStringLiteral("select OBJ_ID from OBJ where OBJ_TABLE = %1").arg(Lit(ATable)));
        return id.IsNull() ? AddObj(ATable, ACapt2) : id.ToInt();
    }
    // The object's field of that name when it exists, otherwise a new one.
    int FldOfObj(int AObjId, const QString& AField, const QString& AType, const QString& ACapt, int ASize = 0)
    {
        Variant id = S.Value(
            QStringLiteral("select FLD_ID from FLD where OBJ_ID = %1 and FLD_FIELD = %2").arg(AObjId).arg(Lit(AField)));
        return id.IsNull() ? AddFld(AObjId, AField, AType, ACapt, ASize) : id.ToInt();
    }
    // The link whose child field is AChildFldId when it exists, otherwise a new one.
    int DepOfChild(int AParentObjId, int AChildFldId, const QString& AName)
    {
        Variant id = S.Value(QStringLiteral("select DEP_ID from DEP where FLD_ID_CHI = %1").arg(AChildFldId));
        return id.IsNull() ? AddDep(AParentObjId, AChildFldId, AName) : id.ToInt();
    }

    // A table view of an object (AObjId) or of a link (ADepId); ADev < 0 is null.
    int AddTbl(const QString& ACapt, int AObjId, int ADepId = 0, bool ADefault = false, const QString& AName = {},
               int ADev = 0)
    {
        int id = GenId(QStringLiteral("TBL_ID"));
        S.Exec(QStringLiteral("insert into TBL (TBL_ID, TBL_CAPT, TBL_DEFAULT, TBL_NAME, OBJ_ID, DEP_ID, TBL_DEV) "
                              "values (%1, %2, %3, %4, %5, %6, %7)")
                   .arg(id)
                   .arg(Lit(ACapt))
                   .arg(ADefault ? 1 : 0)
                   .arg(Lit(AName), IdOrNull(AObjId), IdOrNull(ADepId), FlagOrNull(ADev)));
        return id;
    }

    int AddTblTree(int ATblId, int AFldId, int ALft, int ARgt)
    {
        int id = GenId(QStringLiteral("TBLTREE_ID"));
        S.Exec(QStringLiteral("insert into TBLTREE (TBLTREE_ID, TBL_ID, FLD_ID, TBLTREE_LFT, TBLTREE_RGT) "
                              "values (%1, %2, %3, %4, %5)")
                   .arg(id)
                   .arg(ATblId)
                   .arg(AFldId)
                   .arg(ALft)
                   .arg(ARgt));
        return id;
    }

    int AddUsr(const QString& ALogin)
    {
        int id = GenId(QStringLiteral("USR_ID"));
        S.Exec(QStringLiteral("insert into USR (USR_ID, USR_LOGIN, USR_NAME) values (%1, %2, %2)").arg(id).arg(Lit(ALogin)));
        return id;
    }

    void AddUsrTbl(int AUsrId, int ATblId)
    {
        S.Exec(QStringLiteral("insert into USRTBL (USRTBL_ID, USR_ID, TBL_ID) values (gen_id(USRTBL_ID, 1), %1, %2)")
                   .arg(AUsrId)
                   .arg(ATblId));
    }

    // A filter attached to a view, a link and/or an object (0: none); ADev < 0 is null.
    int AddFltr(const QString& ACapt, const QString& AName, bool AAlways, int ADev, int ATblId, int ADepId = 0,
                int AObjId = 0)
    {
        int id = GenId(QStringLiteral("FLTR_ID"));
        S.Exec(QStringLiteral("insert into FLTR (FLTR_ID, FLTR_CAPT, FLTR_NAME, FLTR_ALWAYS, FLTR_DEV, TBL_ID, DEP_ID, "
                              "OBJ_ID) values (%1, %2, %3, %4, %5, %6, %7, %8)")
                   .arg(id)
                   .arg(Lit(ACapt), Lit(AName))
                   .arg(AAlways ? 1 : 0)
                   .arg(FlagOrNull(ADev), IdOrNull(ATblId), IdOrNull(ADepId), IdOrNull(AObjId)));
        return id;
    }

    int FltrTrTpId(const QString& AName)
    {
        return S.Value(QStringLiteral("select FLTRTRTP_ID from FLTRTRTP where FLTRTRTP_NAME = %1").arg(Lit(AName)))
            .ToInt();
    }

    // A filter node of kind AKind ("And", "Equal"...); a null AValue stores null.
    int AddFltrNode(int AFltrId, int ALft, int ARgt, const QString& AKind, int AFldId = 0, const QString& AValue = {},
                    bool ANot = false, const QString& AName = {}, int ADepId = 0)
    {
        int id = GenId(QStringLiteral("FLTRTREE_ID"));
        S.Exec(QStringLiteral("insert into FLTRTREE (FLTRTREE_ID, FLTR_ID, FLTRTREE_LFT, FLTRTREE_RGT, FLTRTRTP_ID, "
                              "FLTRTREE_NOT, FLTRTREE_VALUE, FLD_ID, DEP_ID, FLTRTREE_NAME) "
                              "values (%1, %2, %3, %4, %5, %6, %7, %8, %9, %10)")
                   .arg(id)
                   .arg(AFltrId)
                   .arg(ALft)
                   .arg(ARgt)
                   .arg(FltrTrTpId(AKind))
                   .arg(ANot ? 1 : 0)
                   .arg(Lit(AValue), IdOrNull(AFldId), IdOrNull(ADepId), Lit(AName)));
        return id;
    }

    // A path step of a filter node; AId orders the steps (0: next from the sequence).
    void AddFltrPath(int ANodeId, int AFldId, int AId = 0)
    {
        S.Exec(QStringLiteral("insert into FLTRTRPT (FLTRTRPT_ID, FLTRTREE_ID, FLD_ID) values (%3, %1, %2)")
                   .arg(ANodeId)
                   .arg(AFldId)
                   .arg(AId ? QString::number(AId) : QStringLiteral("gen_id(FLTRTRPT_ID, 1)")));
    }
};

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
};

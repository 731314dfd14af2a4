// Layout of the cards the catalogue describes only by their fields. Controls
// are placed exactly as the card designer places them when a user adds the
// fields one after another: the first field of a container with the
// container focused, every further one with the previous field focused, a
// page control below the fields moved down in the designer's steps, its tab
// sheets filled the same way. So a generated card looks as if made by hand in
// the designer and can be changed there without surprises.
#pragma once

#include "DbCatalogue.h"

#include <QList>
#include <QString>
#include <memory>

struct TDbCardTab {
    QString Capt;
    QList<TFld*> Fields;
};

// The designer's steps and places.
namespace DbLayout {
constexpr int RowStep = 22;        // vertical step of controls
constexpr int EditLeft = 96;       // editors of a container
constexpr int LabelLeft = 8;       // their labels
constexpr int FirstTop = 8;        // first editor of a container
constexpr int FirstLabelTop = 10;  // its label
constexpr int PageHeight = 154;    // a new page control
constexpr int CheckWidth = 16, CheckHeight = 17, DateHeight = 21;
constexpr int EditHeight = 21;     // natural height of an edit, for sizing containers
constexpr int TabInset = 8;        // a tab sheet is this much narrower than its page control
constexpr int TabHeader = 28;      // and this much lower
constexpr int CardWidth = 352;     // width of a card whose description gives none
}  // namespace DbLayout

// Width of a new editor in a container AContainerWidth pixels wide: the
// container's width less 104, at least 80 and at most 240.
int DbEditorWidth(int AContainerWidth);
// Control kind (CTRLTRTP name) the designer gives a field of this type.
QString DbCtrlKind(TFldType AFldType);
// Read-only presets of a new control: a summing field is read-only when
// editing and (except DEALPAYM_SUM) when adding; the key and a reference
// through its object's main link are read-only always; others never.
void DbPresetReadOnly(TDbCtrl& ACtrl);

// A field control placed first in a container AContainerWidth pixels wide.
std::unique_ptr<TDbCtrl> DbFirstFieldCtrl(TFld* AFld, int AContainerWidth);
// A field control placed one row below APrev, in the same container.
std::unique_ptr<TDbCtrl> DbNextFieldCtrl(TFld* AFld, const TDbCtrl& APrev);

// The control tree of a card AWidth pixels wide: AFields on the card itself,
// then, when ATabs is not empty, a page control below them with one tab
// sheet per entry (the page control is made high enough for the fullest
// tab). AHeightAtr receives the height of the attribute panel that shows
// everything (a multiple of 8, as the designer's steps give). The tree is
// numbered as a nested set.
std::unique_ptr<TDbCtrl> DbLayOutCard(int AWidth, const QList<TFld*>& AFields, const QList<TDbCardTab>& ATabs,
                                      int* AHeightAtr);

#include "e3/ControlClasses.h"

#include "e3/bars/NavigationBar.h"
#include "e3/buttons/CheckBox.h"
#include "e3/buttons/RadioButton.h"
#include "e3/buttons/SpeedButton.h"
#include "e3/checkscroll/CheckScrollBox.h"
#include "e3/collection/Collection.h"
#include "e3/combos/CComboBox.h"
#include "e3/combos/ComboBox.h"
#include "e3/containers/GroupBox.h"
#include "e3/dates/DateEdit.h"
#include "e3/containers/Panel.h"
#include "e3/containers/RadioGroup.h"
#include "e3/containers/ScrollBox.h"
#include "e3/datalist/DataListClient.h"
#include "e3/dialogs/FileDialogs.h"
#include "e3/dialogs/ProgressForms.h"
#include "e3/display/Bevel.h"
#include "e3/display/Gauge.h"
#include "e3/display/Image.h"
#include "e3/display/Label.h"
#include "e3/display/ProgressLabel.h"
#include "e3/display/UnicodeLabel.h"
#include "e3/edits/Edit.h"
#include "e3/edits/Memo.h"
#include "e3/edits/UnicodeEdit.h"
#include "e3/grids/DBGrid.h"
#include "e3/grids/DLDrawGrid.h"
#include "e3/grids/HeaderControl.h"
#include "e3/lists/CheckListBox.h"
#include "e3/lists/ListBox.h"
#include "e3/menus/Menus.h"
#include "e3/numbers/RegNoEdit.h"
#include "e3/pages/Notebook.h"
#include "e3/pages/PageControl.h"
#include "e3/splitter/SplitterPanel.h"
#include "e3/trees/TreeView.h"

namespace e3 {

const std::vector<const fw::TClassInfo*>& ControlClasses()
{
    static const std::vector<const fw::TClassInfo*> classes {
        &Te3_Edit::StaticClass(),
        &Te3_RegNoEdit::StaticClass(),
        &Te3_DateEdit::StaticClass(),
        &Te3_Bevel::StaticClass(),
        &Te3_Label::StaticClass(),
        &Te3_ProgressLabel::StaticClass(),
        &Te3_Image::StaticClass(),
        &Te3_Gauge::StaticClass(),
        &Te3Bevel::StaticClass(),
        &Te3Gauge::StaticClass(),
        &Te3Image::StaticClass(),
        &Te3Label::StaticClass(),
        &Te3ProgressLabel::StaticClass(),
        &Te3_CheckBox::StaticClass(),
        &Te3_GroupBox::StaticClass(),
        &Te3_ListBox::StaticClass(),
        &Te3_Memo::StaticClass(),
        &Te3_RadioButton::StaticClass(),
        &Te3_NonCyclicRadioButton::StaticClass(),
        &Te3_RadioGroup::StaticClass(),
        &Te3_ScrollBox::StaticClass(),
        &Te3CheckBox::StaticClass(),
        &Te3GroupBox::StaticClass(),
        &Te3ListBox::StaticClass(),
        &Te3Memo::StaticClass(),
        &Te3RadioButton::StaticClass(),
        &Te3RadioGroup::StaticClass(),
        &Te3ScrollBox::StaticClass(),
        &Te3_Panel::StaticClass(),
        &Te3Panel::StaticClass(),
        &Te3_UnicodeLabel::StaticClass(),
        &Te3_UnicodeEdit::StaticClass(),
        &Te3UnicodeLabel::StaticClass(),
        &Te3_MainMenu::StaticClass(),
        &Te3_PopupMenu::StaticClass(),
        &Te3_SpeedButton::StaticClass(),
        &Te3MainMenu::StaticClass(),
        &Te3MenuItem::StaticClass(),
        &Te3PopupMenu::StaticClass(),
        &Te3SpeedButton::StaticClass(),
        &Te3ColorSpeedButton::StaticClass(),
        &Te3_ComboBox::StaticClass(),
        &Te3_CComboBox::StaticClass(),
        &Te3ComboBox::StaticClass(),
        &Te3CComboBox::StaticClass(),
        &Te3_CheckScrollBox::StaticClass(),
        &Te3CheckScrollBox::StaticClass(),
        &TDGDataListClient::StaticClass(),
        &Te3_Notebook::StaticClass(),
        &Te3_PageControl::StaticClass(),
        &Te3_TabSheet::StaticClass(),
        &Te3Notebook::StaticClass(),
        &Te3PageControl::StaticClass(),
        &Te3_SplitterPanel::StaticClass(),
        &Te3SplitterPanel::StaticClass(),
        &Te3_DLDrawGrid::StaticClass(),
        &Te3DLDrawGrid::StaticClass(),
        &Te3_DBGrid::StaticClass(),
        &Te3DBGrid::StaticClass(),
        &Te3_HeaderControl::StaticClass(),
        &Te3HeaderControl::StaticClass(),
        &Te3_Collection::StaticClass(),
        &Te3Collection::StaticClass(),
        &Te3_CheckListBox::StaticClass(),
        &Te3CheckListBox::StaticClass(),
        &Te3_TreeView::StaticClass(),
        &Te3TreeView::StaticClass(),
        &Te3_NavigationBar::StaticClass(),
        &Te3NavigationBar::StaticClass(),
        &Te3_OpenDialog::StaticClass(),
        &Te3_SaveDialog::StaticClass(),
        &Te3_BrowseDirectory::StaticClass(),
        &TFormGauge::StaticClass(),
    };
    return classes;
}

} // namespace e3

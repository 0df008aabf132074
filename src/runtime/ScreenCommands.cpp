// Quorva run-time. Licensed under the MIT licence.
#include "runtime/ScreenCommands.h"

#include "runtime/RuntimeLibrary.h"
#include "runtime/ListBoxCommands.h"
#include "runtime/ButtonCommands.h"
#include "runtime/GaugeCommands.h"
#include "runtime/LookCommands.h"
#include "runtime/TreeCommands.h"
#include "runtime/ListViewCommands.h"
#include "runtime/GridCommands.h"
#include "runtime/ActiveXCommands.h"
#include "runtime/DdeCommands.h"
#include "runtime/FormInstanceCommands.h"

#include <initializer_list>

namespace runtime {

using namespace screencmd;

// GO2 shares COMMUT_FIG's entry, so binding COMMUT_FIG serves both.
platform::Status AddScreenCommands(Implementations& implementations) {
    Implementations& in = implementations;
    for (const platform::Status& added : {
             // figure geometry and look
             in.Add<&SetXOrg>("SETXORG"),
             in.Add<&SetYOrg>("SETYORG"),
             in.Add<&GetXOrg>("GETXORG"),
             in.Add<&GetYOrg>("GETYORG"),
             in.Add<&SetYFin>("SETYFIN"),
             in.Add<&SetXFin>("SETXFIN"),
             in.Add<&GetYFin>("GETYFIN"),
             in.Add<&GetXFin>("GETXFIN"),
             in.Add<&SetValue>("SETVALUE"),
             in.Add<&GetValue>("GETVALUE"),
             in.Add<&SetColor>("SETCOLOR"),
             in.Add<&SetFillColor>("SETFILLCOLOR"),
             in.Add<&GetColor>("GETCOLOR"),
             in.Add<&GetFillColor>("GETFILLCOLOR"),
             in.Add<&SetPenWidth>("SETPENWIDTH"),
             in.Add<&GetPenWidth>("GETPENWIDTH"),
             in.Add<&SetNDecimales>("SETNDECIMALES"),
             in.Add<&GetNDecimales>("GETNDECIMALES"),
             in.Add<&CloseAppli>("CLOSEAPPLI"),
             in.Add<&CloseForm>("CLOSEFORM"),
             in.Add<&Display>("DISPLAY"),
             in.Add<&Execute>("EXECUTE"),
             in.Add<&ModalExecute>("MODALEXECUTE"),
             in.Add<&DisplayModal>("DISPLAYMODAL"),
             in.Add<&AllIconic>("ALLICONIC"),
             in.Add<&GetHwnd>("GETHWND"),
             in.Add<&GetMainHwnd>("GETMAINHWND"),
             in.Add<&NormalizeTopmosts>("NORMALIZETOPMOSTS"),
             in.Add<&RestoreTopmosts>("RESTORETOPMOSTS"),
             in.Add<&Filled>("FILLED"),
             in.Add<&Unfilled>("UNFILLED"),
             in.Add<&IsFilled>("ISFILLED"),
             in.Add<&Displace>("DISPLACE"),
             in.Add<&ODisplace>("ODISPLACE"),
             in.Add<&OEnlarge>("OENLARGE"),
             in.Add<&WinBkgndColor>("WINBKGNDCOLOR"),
             in.Add<&StretchBmp>("STRETCHBMP"),
             // events and input
             in.Add<&NextGroup>("NEXT_GROUP"),
             in.Add<&PreviousGroup>("PREVIOUS_GROUP"),
             in.Add<&NextGroupCompo>("NEXT_GROUP_COMPO"),
             in.Add<&PreviousGroupCompo>("PREVIOUS_GROUP_COMPO"),
             in.Add<&TopLbDown>("TOPLBDOWN"),
             in.Add<&TopRbDown>("TOPRBDOWN"),
             in.Add<&TopLbUp>("TOPLBUP"),
             in.Add<&TopRbUp>("TOPRBUP"),
             in.Add<&DoubleClick>("DOUBLECLICK"),
             in.Add<&GetVirKey>("GETVIRKEY"),
             in.Add<&GetKey>("GETKEY"),
             in.Add<&KeyUp>("KEYUP"),
             in.Add<&IsMe>("IS_ME"),
             in.Add<&GetButton>("GETBUTTON"),
             in.Add<&SetButton>("SETBUTTON"),
             in.Add<&GetTextMessage>("GETTEXTMESSAGE"),
             in.Add<&SetTextMessage>("SETTEXTMESSAGE"),
             // edit controls and visibility
             in.Add<&GetNumLines>("GETNUMLINES"),
             in.Add<&GetLine>("GETLINE"),
             in.Add<&GetLineLength>("GETLINELENGTH"),
             in.Add<&GetSelection>("GETSELECTION"),
             in.Add<&GetLineFromPos>("GETLINEFROMPOS"),
             in.Add<&SetSelection>("SETSELECTION"),
             in.Add<&DeleteLine>("DELETELINE"),
             in.Add<&DeleteSelection>("DELETESELECTION"),
             in.Add<&EditInsert>("EDITINSERT"),
             in.Add<&IsModified>("ISMODIFIED"),
             in.Add<&ClearModify>("CLEARMODIFY"),
             in.Add<&SetReadOnly>("SETREADONLY"),
             in.Add<&GetFocus>("GET_FOCUS"),
             in.Add<&HideControl>("HIDECONTROL"),
             in.Add<&ShowControl>("SHOWCONTROL"),
             in.Add<&ControlVisible>("CONTROLVISIBLE"),
             // forms, navigation and windows
             in.Add<&CommutFig>("COMMUT_FIG"),
             in.Add<&SetCaption>("SETCAPTION"),
             in.Add<&GetCaption>("GETCAPTION"),
             in.Add<&SetPage>("SETPAGE"),
             in.Add<&GetPage>("GETPAGE"),
             in.Add<&GetParentName>("GETPARENTNAME"),
             in.Add<&GetObjectName>("GETOBJECTNAME"),
             in.Add<&FindObjectName>("FINDOBJECTNAME"),
             in.Add<&TypeFig>("TYPEFIG"),
             in.Add<&ProcessMessages>("PROCESSMESSAGES"),
             // the families of the native controls, each in its own file
             AddListBoxCommands(in),
             AddButtonCommands(in),
             AddGaugeCommands(in),
             AddLookCommands(in),
             AddTreeCommands(in),
             AddListViewCommands(in),
             AddGridCommands(in),
             AddDdeCommands(in),
             AddActiveXCommands(in),
             AddFormInstanceCommands(in),
         }) {
        if (!added)
            return added;
    }
    return {};
}

} // namespace runtime

#pragma once
// The command numbers of the menus, tool bar and accelerators, and how a
// window says which of them it handles: the main frame asks the active view
// first, then itself; a command nobody handles is shown disabled.
namespace cmd {

enum : int {
    AddReserve = 32768,
    AddFacility = 32769,
    EditFacilities = 32770,
    NextDay = 32771,
    PrevDay = 32772,
    NextWeek = 32773,
    PrevWeek = 32774,
    GotoDate = 32775,
    Today = 32776,
    ToggleMode = 32777,
    Font = 32778,
    Settings = 32779,
    ShowReserveList = 32780,
    ShowSchedule = 32781,
    DeleteReserve = 32782,
    EditReserve = 32783,
    SortByStart = 32784,
    SortByEnd = 32785,
    SortByUser = 32786,  // also the user list's sort by name
    SortByFacility = 32787,
    ExportText = 32788,
    ExportReserveText = 32789,
    ExportFacilityText = 32790,
    LineUp = 32791,
    LineDown = 32792,
    PageUp = 32793,
    PageDown = 32794,
    LineRight = 32795,
    LineLeft = 32796,
    Refresh = 32797,
    ShowUserList = 32798,
    FindNextUser = 32799,
    FindPrevUser = 32800,
    ExportReserveCsv = 32801,
    ExportFacilityCsv = 32802,
    SortByPurpose = 32805,
    SortByContact = 32806,
    HelpIndex = 32810,
    RepeatReserve = 32811,
    ExportIcal = 32830,
    FileOpenServer = 32840,
    ShowWeek = 32820,
    FindFree = 32821,

    FileNew = 57600,
    FileOpen = 57601,
    FileClose = 57602,
    FileSave = 57603,
    FileSaveAs = 57604,
    PrintSetup = 57606,
    Print = 57607,
    PrintPreview = 57609,
    RecentFile1 = 57616,  // .. RecentFile1 + 3
    EditCopy = 57634,
    EditCut = 57635,
    FindUser = 57636,
    EditPaste = 57637,
    EditUndo = 57643,
    WindowNew = 57648,
    WindowArrange = 57649,
    WindowCascade = 57650,
    WindowTileHorz = 57651,
    WindowTileVert = 57652,
    About = 57664,
    Exit = 57665,
    HelpContents = 57666,
    NextPane = 57680,
    PrevPane = 57681,
    ViewToolBar = 59392,
    ViewStatusBar = 59393,
};

}  // namespace cmd

struct CmdState {
    bool enabled = true;
    bool checked = false;
};

class ICommandTarget {
public:
    virtual ~ICommandTarget() = default;
    // True when the command is this target's; it has then been carried out.
    virtual bool OnCommand(int id) = 0;
    // True when the command is this target's; *state tells how to show it.
    virtual bool OnUpdateCommand(int id, CmdState* state) = 0;
};

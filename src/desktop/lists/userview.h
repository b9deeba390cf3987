#pragma once
// The user list window: one user name per line in collection order; add,
// edit (a new name carried into the reservations), delete, find, find next
// and previous, sort by name and the export of the users.
#include "desktop/lists/listview.h"

class CUserView : public CRecordListView<CKivoUser> {
    Q_OBJECT
public:
    explicit CUserView(CKivoDoc* doc, QWidget* parent = nullptr);

    static constexpr int kFind = 57636;
    static constexpr int kFindNext = 32799;
    static constexpr int kFindPrev = 32800;
    static constexpr int kSortByName = 32786;

    void OnInitialUpdate() override;
    bool OnCommand(int id) override;
    bool OnUpdateCommand(int id, CmdState* state) override;

    void OnAdd() override;
    void OnEdit() override;
    void OnDelete() override;
    void OnFind();
    void OnFindNext(int step);
    void OnSortByName();

protected:
    int TakeSnapshot() override;
    QString FormatLine(int row) const override;
};

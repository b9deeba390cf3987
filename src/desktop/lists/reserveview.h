#pragma once
// The reservation list window: one line per reservation, sorted by the key
// the profile remembers; add, edit, delete, the six sorts and the text export.
#include <string>
#include <vector>

#include "desktop/lists/listview.h"

class CReserveView : public CListViewBase {
    Q_OBJECT
public:
    explicit CReserveView(CKivoDoc* doc, QWidget* parent = nullptr);

    void OnInitialUpdate() override;
    bool OnCommand(int id) override;
    bool OnUpdateCommand(int id, CmdState* state) override;

    // The sort commands, keys 0..5 in this order.
    static constexpr int kSortCommands[6] = {32784, 32785, 32786, 32787, 32805, 32806};

    void OnAdd();
    void OnRepeat();
    void OnEdit() override;
    void OnDelete();
    void OnSort(int key);

protected:
    int TakeSnapshot() override;
    QString FormatLine(int row) const override;
    void RememberLine(int line) override;
    int RememberedLine() const override;

private:
    static int SortKey();

    // The reservations as the lines show them, and their facilities' names.
    std::vector<CReserve> shown_;
    std::vector<CReserve> remembered_;  // none or the one record
    std::vector<std::string> facilityNameById_;
};

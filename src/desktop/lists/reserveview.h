#pragma once
// The reservation list window: one line per reservation, sorted by the key
// the profile remembers; add, edit, delete, the six sorts and the text export.
#include <optional>
#include <string>
#include <vector>

#include "core/lists/export.h"
#include "core/doc/sortkey.h"
#include "desktop/lists/listview.h"

class CReserveView : public CRecordListView<CReserve> {
    Q_OBJECT
public:
    explicit CReserveView(CKivoDoc* doc, QWidget* parent = nullptr);

    void OnInitialUpdate() override;
    bool OnCommand(int id) override;
    bool OnUpdateCommand(int id, CmdState* state) override;

    // The sort commands, in the order of the keys.
    static constexpr int kSortCommands[kSortKeyCount] = {32784, 32785, 32786, 32787, 32805, 32806};

    void OnAdd() override;
    void OnRepeat();
    void OnEdit() override;
    void OnDelete() override;
    void OnSort(SortKey key);

protected:
    void Arrange() override;
    int TakeSnapshot() override;
    QString FormatLine(int row) const override;

private:
    // The key the profile remembers.
    static SortKey SavedSortKey();
    // The key the edit commands keep the reservations sorted by.
    static std::optional<SortKey> ListSortKey();

    FacilityNames facilityNames_{FacilityArray()};
};

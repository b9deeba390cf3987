#pragma once
// The text and CSV exports: every record of a collection, in its current
// order, as CP932 bytes with each line ended by CR LF.
#include <string>
#include <vector>

#include "core/booking/facilityindex.h"
#include "core/doc/records.h"

class CKivoDoc;

enum class ExportKind { ReserveText, FacilityText, ReserveCsv, FacilityCsv, Users };

// The bytes an export writes. Every LF becomes CR LF, as a text-mode stream
// writes it, so a CR LF stored in a field reaches the file as CR CR LF.
std::string ExportBytes(ExportKind kind, const CKivoDoc& doc);

// Facility name by number: the first facility in collection order with that
// number; empty when none. Built once for a whole list or export.
// Keeps its own copies, so a list may show it after the records are gone.
class FacilityNames {
public:
    explicit FacilityNames(const FacilityArray& facilities);
    const std::string& Of(int id) const;

private:
    FacilityIndex index_;
    std::vector<std::string> names_;  // in collection order
};

// One line of the reservation list text export, without its line end.
std::string ReserveTextLine(const CReserve& r, const std::string& facilityName);
// One line of the reservation list window: end at midnight as "24:00 ", the
// purpose after the user with its CR LF pairs removed.
std::string ReserveListLine(const CReserve& r, const std::string& facilityName);
std::string ReserveListLine(const CReserve& r, const CKivoDoc& doc);

enum class ExportStatus { Ok, OpenFailed, WriteFailed };
// Writes the export to path; on a write failure nothing partial is left.
ExportStatus WriteExport(ExportKind kind, const CKivoDoc& doc, const std::string& path);
// The same for bytes made elsewhere (the iCalendar export).
ExportStatus WriteExportBytes(const std::string& bytes, const std::string& path);
// The message for a status ("出力ファイルを開けません" ...), empty for Ok.
const char* ExportMessage(ExportStatus s);

// Names used by kvtool: reserve-text facility-text reserve-csv facility-csv users.
bool ExportKindFromName(const std::string& name, ExportKind* kind);

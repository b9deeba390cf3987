#include "core/store/file/filestore.h"

#include <new>

#include "core/doc/archive.h"
#include "core/store/file/fileio_detail.h"

namespace store {

namespace {

Status Parse(const std::string& bytes, RegisterData* data, ReserveSpans* spans, StoreFacts* facts) {
    try {
        LoadRegister(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size(), data, spans, facts);
    } catch (const CArchiveException&) {
        return {Cause::BadFormat};
    } catch (const std::bad_alloc&) {
        data->facilities.clear();
        data->reserves.clear();
        data->users.clear();
        return {Cause::NoMemory};
    }
    return {};
}

}  // namespace

// The exclusive lock of one change, and what the change reads and writes under it.
class FileStore::Transaction : public ITransaction {
public:
    explicit Transaction(FileStore& store) : store_(store) {}
    Status Acquire() {
        bool exists = false;
        Status st = lock_.Acquire(store_.where_.Text(), &exists);
        if (st.ok() && !exists) st.cause = Cause::FileNotFound;
        return st;
    }

    Reading ReReadIfChanged(RegisterData* data, bool inSync, StoreFacts* facts, Status* status) override {
        const fileio::FileStamp stamp = lock_.Stamp();
        // A file as this store last read or wrote it needs neither reading
        // nor parsing; one whose stamp cannot be trusted is compared with the
        // bytes this store has, and read whole only when they differ.
        bool same = inSync && store_.Settled(stamp);
        if (!same && inSync && store_.stamp_.valid && stamp.valid) *status = lock_.Matches(store_.bytes_, &same);
        if (!status->ok()) return Reading::Failed;
        if (same) {
            store_.stamp_ = stamp;
            return Reading::Unchanged;
        }
        *status = lock_.ReadAll(&store_.spare_);
        if (status->ok()) *status = store_.Take(stamp, data, facts);
        return status->ok() ? Reading::Read : Reading::Failed;
    }

    Status Write(const RegisterData& data, StoreFacts* facts, size_t* copied, bool* usersAsBefore) override {
        return store_.Save(lock_, data, facts, copied, usersAsBefore);
    }

    bool ReadAround(RegisterData* data, const std::function<void(const CReserve&)>& each, Status* status) override {
        around_.reset();
        // What this store knew of the register is not what the document
        // will hold: the next whole change reads it again.
        store_.Forget();
        *status = lock_.ReadAll(&read_);
        if (!status->ok()) return false;
        auto outline = std::make_unique<RegisterOutline>();
        try {
            OutlineRegister(reinterpret_cast<const unsigned char*>(read_.data()), read_.size(), outline.get(), each);
            // The tags a save would write must be the ones the records carry:
            // tried with the change's own facilities and users, which are these.
            if (!outline->timesSet) return false;
            RegisterData facilities{std::move(outline->data.facilities), {}, {}};
            std::string probe;
            size_t split = 0;
            const bool can = StoreAround(*outline, facilities, &probe, &split);
            outline->data.facilities = std::move(facilities.facilities);
            if (!can) return false;
        } catch (const CArchiveException&) {
            return false;
        } catch (const std::bad_alloc&) {
            return false;
        }
        data->facilities = std::move(outline->data.facilities);
        data->users = std::move(outline->data.users);
        data->reserves.clear();
        around_ = std::move(outline);
        return true;
    }

    Status WriteAround(const RegisterData& data) override {
        if (!around_) return {Cause::Generic};
        const RegisterOutline& o = *around_;
        std::string around;
        size_t split = 0;
        try {
            around.reserve(read_.size() - o.recordsEnd + 65536);
            if (!StoreAround(o, data, &around, &split)) return {Cause::Generic};
        } catch (const std::bad_alloc&) {
            return {Cause::NoMemory};
        }
        // The records' bytes are written from where the read put them, with
        // what comes before and after them written anew.
        const std::string_view head(around.data(), split), tail(around.data() + split, around.size() - split);
        const Status st = lock_.Write({head, read_.view().substr(o.recordsBegin, o.recordsEnd - o.recordsBegin), tail});
        around_.reset();
        read_.Clear();
        return st;
    }

private:
    FileStore& store_;
    fileio::ExclusiveLock lock_;
    std::unique_ptr<RegisterOutline> around_;  // what ReadAround read
    fileio::FreshBytes read_;                  // the bytes it read
};

Status FileStore::Take(const fileio::FileStamp& stamp, RegisterData* data, StoreFacts* facts) {
    const Status st = Parse(spare_, data, &saveSpans_, facts);
    if (st.ok()) Remember(stamp);
    else Forget();
    return st;
}

void FileStore::Remember(const fileio::FileStamp& stamp) {
    // spare_ holds the bytes just read or written, their spans are in
    // saveSpans_; the last bytes' buffer takes the next read, its pages
    // already there.
    bytes_.swap(spare_);
    std::swap(spans_, saveSpans_);
    stamp_ = stamp;
}

bool FileStore::Settled(const fileio::FileStamp& now) const {
    return stamp_.valid && now.valid && stamp_.SameAs(now) && stamp_.Settled();
}

Status FileStore::Read(RegisterData* data, StoreFacts* facts) {
    fileio::FileStamp stamp;
    std::string stray;
    Status st = fileio::ReadShared(where_.Text(), &spare_, &stamp, &stray);
    if (!st.ok()) return st;
    st = Take(stamp, data, facts);
    if (facts) facts->stray = std::move(stray);
    return st;
}

Status FileStore::Scan(const std::function<void(size_t, const CReserve&)>& each, FacilityArray* facilities,
                       UserArray* users) {
    // Nothing of the read is kept, so fresh memory that costs no fault per small page.
    fileio::FreshBytes bytes;
    Status st = fileio::ReadShared(where_.Text(), &bytes);
    if (!st.ok()) return st;
    try {
        ScanRegister(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size(), each, facilities, users);
    } catch (const CArchiveException&) {
        return {Cause::BadFormat};
    } catch (const std::bad_alloc&) {
        return {Cause::NoMemory};
    }
    return st;
}

Reading FileStore::ReadIfChanged(RegisterData* data, RegisterData* replaced, StoreFacts* facts) {
    const fileio::FileStamp now = fileio::StampOf(where_.Text());
    if (!now.valid || Settled(now) || refused_.SameAs(now)) return Reading::Unchanged;
    fileio::FileStamp stamp;
    if (!fileio::ReadShared(where_.Text(), &spare_, &stamp).ok()) return Reading::Failed;
    // Reading is cheap, parsing is not: equal bytes need no parse whatever
    // the stamp says.
    if (stamp_.valid && stamp.valid && spare_ == bytes_) {
        stamp_ = stamp;
        return Reading::Unchanged;
    }
    // Parsed aside: a file that cannot be read leaves the data as it was.
    RegisterData fresh;
    const Status st = Parse(spare_, &fresh, &saveSpans_, facts);
    if (st.cause == Cause::BadFormat) refused_ = stamp;
    if (!st.ok()) return Reading::Failed;
    refused_ = {};
    Remember(stamp);
    std::swap(*data, fresh);
    if (replaced) *replaced = std::move(fresh);
    return Reading::Read;
}

std::unique_ptr<ITransaction> FileStore::Begin(Status* status) {
    auto tx = std::make_unique<Transaction>(*this);
    *status = tx->Acquire();
    if (!status->ok()) return nullptr;
    return tx;
}

Status FileStore::Save(fileio::ExclusiveLock& lock, const RegisterData& data, StoreFacts* facts, size_t* copied,
                       bool* usersAsBefore) {
    CopyFacts copy;
    try {
        if (buffer_.size() < 64) fileio::detail::Reserve(&buffer_, bytes_.size() + 65536);
        const LastBytes last{bytes_, spans_};
        StoreRegister(data.facilities, data.reserves, data.users, &buffer_, facts, &saveSpans_,
                      stamp_.valid ? &last : nullptr, &copy);
    } catch (const std::bad_alloc&) {
        Forget();
        return {Cause::NoMemory};
    }
    Status st = lock.Write(buffer_);
    if (!st.ok()) {
        Forget();
        return st;
    }
    if (copied) *copied = copy.copied;
    if (usersAsBefore) *usersAsBefore = copy.usersAsBefore;
    // The bytes just written become the last file's; its old bytes are the
    // next save's buffer.
    buffer_.swap(bytes_);
    std::swap(saveSpans_, spans_);
    stamp_ = lock.Stamp();
    return st;
}

Status FileStore::Replace(const RegisterData& data) {
    try {
        StoreRegister(data.facilities, data.reserves, data.users, &spare_, nullptr, &saveSpans_, nullptr);
    } catch (const std::bad_alloc&) {
        return {Cause::NoMemory};
    }
    fileio::FileStamp stamp;
    const Status st = fileio::SafeWrite(where_.Text(), spare_, &stamp);
    if (st.ok()) Remember(stamp);
    else Forget();
    return st;
}

void FileStore::Forget() {
    stamp_ = {};
    bytes_.clear();
    spans_ = {};
}

std::vector<std::string> FileStore::WatchPaths() const {
    const std::string path = fileio::Resolve(where_.Text());
    const size_t slash = path.rfind('/');
    // A save lands as a rename over the register: the file's own watch goes
    // with the old file, the folder's sees the new one come.
    return {path, slash == std::string::npos ? std::string(".") : slash == 0 ? std::string("/") : path.substr(0, slash)};
}

}  // namespace store

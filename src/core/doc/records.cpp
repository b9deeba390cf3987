#include "core/doc/records.h"

#include <cstdlib>
#include <new>
#include <vector>

#include "core/doc/archive.h"
#include "core/doc/hugepages.h"

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/asan_interface.h>
#define POOL_POISON(p, n) ASAN_POISON_MEMORY_REGION(p, n)
#define POOL_UNPOISON(p, n) ASAN_UNPOISON_MEMORY_REGION(p, n)
#else
#define POOL_POISON(p, n) ((void)(p), (void)(n))
#define POOL_UNPOISON(p, n) ((void)(p), (void)(n))
#endif

namespace {

// Fields stored in 16 bits keep their low half in the file.
uint16_t Low16(int v) { return static_cast<uint16_t>(static_cast<uint32_t>(v) & 0xFFFF); }

// Reservations and users come from pools of their own: a register's 100,000
// records are then a few large blocks (huge pages where the system gives
// them) rather than as many allocations, quicker to make, to free and to walk.
// The memory of freed records is kept for the next ones.
class RecordPool {
public:
    explicit RecordPool(size_t size) : size_((size + 15) & ~size_t{15}) {}
    ~RecordPool() {
        for (char* b : blocks_) std::free(b);
    }
    RecordPool(const RecordPool&) = delete;
    RecordPool& operator=(const RecordPool&) = delete;
    bool Idle() const { return live_ == 0; }

    void* Take() {
        void* p;
        if (!free_.empty()) {
            p = free_.back();
            free_.pop_back();
        } else {
            if (static_cast<size_t>(end_ - next_) < size_) NextBlock();
            p = next_;
            next_ += size_;
        }
        ++live_;
        POOL_UNPOISON(p, size_);
        return p;
    }
    void Give(void* p) {
        if (!p) return;
        POOL_POISON(p, size_);
        // A record made on another thread stays unused rather than mixing
        // pools: every slot is then only ever taken by its own pool, and the
        // count of live ones can only be too high, never too low.
        if (!Owns(p)) return;
        if (--live_ == 0) {
            // All free: start again at the beginning, so that the next
            // register's records lie in file order, not in the order the
            // last ones were freed (a sorted list's).
            free_.clear();
            block_ = 0;
            next_ = end_ = nullptr;
            return;
        }
        try {
            free_.push_back(p);
        } catch (const std::bad_alloc&) {
            // Out of memory: the slot is lost rather than the program.
        }
    }

private:
    static constexpr size_t kBlock = size_t{2} << 20;

    bool Owns(const void* p) const {
        const char* c = static_cast<const char*>(p);
        for (const char* b : blocks_)
            if (c >= b && c < b + kBlock) return true;
        return false;
    }
    void NextBlock() {
        if (block_ == blocks_.size()) {
            void* b = std::aligned_alloc(kBlock, kBlock);
            if (!b) throw std::bad_alloc();
            AdviseHugePages(b, kBlock);
            POOL_POISON(b, kBlock);
            blocks_.push_back(static_cast<char*>(b));
        }
        next_ = blocks_[block_++];
        end_ = next_ + kBlock;
    }

    const size_t size_;
    size_t live_ = 0;
    // Freed records by address, not linked through themselves: taking one
    // must not wait for the memory of the one freed before it.
    std::vector<void*> free_;
    std::vector<char*> blocks_;
    size_t block_ = 0;  // the next block to carve
    char* next_ = nullptr;
    char* end_ = nullptr;
};

// One pool per thread, so that no lock is taken: a locked instruction at each
// record would wait for the stores into the one before. A thread's pool goes
// with the thread only when none of its records is alive; otherwise it stays,
// as records may outlive their thread and every other static.
class ThreadPool {
public:
    explicit ThreadPool(size_t size) : size_(size) {}
    ~ThreadPool() {
        if (pool_ && pool_->Idle()) delete pool_;
    }
    RecordPool& Get() {
        if (!pool_) pool_ = new RecordPool(size_);
        return *pool_;
    }

private:
    size_t size_;
    RecordPool* pool_ = nullptr;
};

RecordPool& ReservePool() {
    thread_local ThreadPool pool(sizeof(CReserve));
    return pool.Get();
}
RecordPool& UserPool() {
    thread_local ThreadPool pool(sizeof(CKivoUser));
    return pool.Get();
}

}  // namespace

void* CReserve::operator new(size_t size) {
    return size == sizeof(CReserve) ? ReservePool().Take() : ::operator new(size);
}
namespace {
thread_local uint64_t t_reservesFreed = 0;
}

void CReserve::operator delete(void* p, size_t size) {
    ++t_reservesFreed;
    if (size == sizeof(CReserve)) ReservePool().Give(p);
    else ::operator delete(p);
}

CReserve::FreeMark CReserve::FreedHere() { return {&t_reservesFreed, t_reservesFreed}; }
void* CKivoUser::operator new(size_t size) {
    return size == sizeof(CKivoUser) ? UserPool().Take() : ::operator new(size);
}
void CKivoUser::operator delete(void* p, size_t size) {
    if (size == sizeof(CKivoUser)) UserPool().Give(p);
    else ::operator delete(p);
}

void CKivo::Serialize(CArchive& ar) {
    if (ar.IsStoring()) {
        ar.WriteWord(RECORD_VERSION);
        ar.WriteWord(Low16(m_nID));
        ar.WriteString(m_strName);
        ar.WriteWord(Low16(m_nMaxPeople));
        ar.WriteString(m_strComment);
    } else {
        ar.SetLoadVersion(ar.ReadWord());
        m_nID = ar.ReadWord();
        ar.ReadString(m_strName);
        m_nMaxPeople = ar.ReadWord();
        ar.ReadString(m_strComment);
    }
}

bool CReserve::IsEqual(const CReserve& o) const {
    return m_strUser == o.m_strUser && m_strPurpose == o.m_strPurpose && m_strContact == o.m_strContact &&
           m_timeStart == o.m_timeStart && m_timeEnd == o.m_timeEnd && m_nFacilityID == o.m_nFacilityID &&
           m_bPaid == o.m_bPaid && m_nSpare == o.m_nSpare && m_nFee == o.m_nFee;
}

void CReserve::Serialize(CArchive& ar) {
    if (ar.IsStoring()) {
        ar.WriteWord(RECORD_VERSION);
        ar.WriteString(m_strUser);
        ar.WriteString(m_strPurpose);
        ar.WriteString(m_strContact);
        ar.WriteDWord(static_cast<uint32_t>(m_timeStart));
        ar.WriteDWord(static_cast<uint32_t>(m_timeEnd));
        ar.WriteWord(Low16(m_nFacilityID));
        ar.WriteWord(Low16(m_bPaid));
        ar.WriteWord(Low16(m_nSpare));
        ar.WriteWord(Low16(m_nFee));
    } else {
        const int version = ar.ReadWord();
        if (version != RECORD_VERSION) ar.NoteIrregular();  // a save writes it otherwise
        ar.ReadString(m_strUser);
        ar.ReadString(m_strPurpose);
        ar.ReadString(m_strContact);
        m_timeStart = static_cast<KvTime>(ar.ReadDWord());
        m_timeEnd = static_cast<KvTime>(ar.ReadDWord());
        m_nFacilityID = ar.ReadWord();
        if (version >= RECORD_VERSION) {
            m_bPaid = ar.ReadWord();
            m_nSpare = ar.ReadWord();
            m_nFee = ar.ReadWord();
        } else {
            // A record read into one that held another keeps nothing of it.
            m_bPaid = m_nSpare = m_nFee = 0;
        }
    }
}

bool CKivoUser::IsEqual(const CKivoUser& o) const {
    return m_strName == o.m_strName && m_strCharge == o.m_strCharge && m_strTel == o.m_strTel &&
           m_strZip == o.m_strZip && m_strAddress == o.m_strAddress && m_strMail == o.m_strMail &&
           m_strMemo == o.m_strMemo;
}

const std::string* CKivoUser::Field(int n) const {
    switch (n) {
        case 0: return &m_strName;
        case 1: return &m_strCharge;
        case 2: return &m_strTel;
        case 3: return &m_strZip;
        case 4: return &m_strAddress;
        case 5: return &m_strMail;
        case 6: return &m_strMemo;
        default: return nullptr;
    }
}

std::string* CKivoUser::Field(int n) {
    return const_cast<std::string*>(static_cast<const CKivoUser*>(this)->Field(n));
}

std::unique_ptr<CKivoUser> MissingUser(const std::string& name) {
    auto u = std::make_unique<CKivoUser>();
    u->m_strName = name;
    u->m_strCharge = name;
    return u;
}

void CKivoUser::Serialize(CArchive& ar) {
    if (ar.IsStoring()) {
        ar.WriteWord(RECORD_VERSION);
        for (int i = 0; i < 7; ++i) ar.WriteString(*Field(i));
    } else {
        ar.SetLoadVersion(ar.ReadWord());
        for (int i = 0; i < 7; ++i) ar.ReadString(*Field(i));
    }
}

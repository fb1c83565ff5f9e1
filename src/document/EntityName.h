#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <ostream>
#include <stdexcept>
#include <string>
#include <string_view>

// An entity's name (UTF-8) in 16 bytes: names of up to 14 bytes, nearly all of them (point
// labels), are kept in place, longer ones on the heap. A drawing holds millions of names, and
// a std::string would take twice the room.
class CEntityName {
public:
    static constexpr size_t kInlineBytes = 14;

    CEntityName() noexcept { SetEmpty(); }
    CEntityName(std::string_view s) { Assign(s); }
    CEntityName(const std::string& s) { Assign(s); }
    CEntityName(const char* s) { Assign(std::string_view(s)); }
    CEntityName(const CEntityName& other) { Assign(other.view()); }
    CEntityName(CEntityName&& other) noexcept {
        std::memcpy(m_bytes, other.m_bytes, sizeof m_bytes);
        other.SetEmpty();
    }
    ~CEntityName() { Release(); }

    CEntityName& operator=(const CEntityName& other) {
        if (this != &other) {
            Replace(other.view());
        }
        return *this;
    }
    CEntityName& operator=(CEntityName&& other) noexcept {
        if (this != &other) {
            Release();
            std::memcpy(m_bytes, other.m_bytes, sizeof m_bytes);
            other.SetEmpty();
        }
        return *this;
    }
    CEntityName& operator=(std::string_view s) {
        Replace(s);
        return *this;
    }
    CEntityName& operator=(const std::string& s) { return *this = std::string_view(s); }
    CEntityName& operator=(const char* s) { return *this = std::string_view(s); }

    const char* data() const { return IsHeap() ? HeapPointer() : m_bytes; }
    // NUL-terminated.
    const char* c_str() const { return data(); }
    size_t size() const { return IsHeap() ? HeapSize() : static_cast<size_t>(m_bytes[kTag]); }
    bool empty() const { return size() == 0; }
    std::string_view view() const { return {data(), size()}; }
    operator std::string_view() const { return view(); }
    std::string str() const { return std::string(view()); }

    friend bool operator==(const CEntityName& a, const CEntityName& b) {
        return a.view() == b.view();
    }
    friend bool operator==(const CEntityName& a, std::string_view b) { return a.view() == b; }
    friend bool operator==(const CEntityName& a, const std::string& b) { return a.view() == b; }
    friend bool operator==(const CEntityName& a, const char* b) {
        return a.view() == std::string_view(b);
    }
    friend std::ostream& operator<<(std::ostream& os, const CEntityName& n) {
        return os << n.view();
    }

private:
    // Byte 15 holds the length of a name kept in place, or kHeapTag; a name on the heap keeps
    // its pointer in bytes 0..7 and its length in bytes 8..11.
    static constexpr size_t kTag = 15;
    static constexpr char kHeapTag = static_cast<char>(0x7F);

    bool IsHeap() const { return m_bytes[kTag] == kHeapTag; }
    char* HeapPointer() const {
        char* p;
        std::memcpy(&p, m_bytes, sizeof p);
        return p;
    }
    size_t HeapSize() const {
        uint32_t n;
        std::memcpy(&n, m_bytes + 8, sizeof n);
        return n;
    }
    void SetEmpty() noexcept {
        m_bytes[0] = '\0';
        m_bytes[kTag] = 0;
    }
    void Release() noexcept {
        if (IsHeap()) {
            delete[] HeapPointer();
        }
    }
    // Into an empty or released name; on failure the name is left empty.
    void Assign(std::string_view s) {
        if (s.size() <= kInlineBytes) {
            std::memcpy(m_bytes, s.data(), s.size());
            m_bytes[s.size()] = '\0';
            m_bytes[kTag] = static_cast<char>(s.size());
            return;
        }
        if (s.size() > UINT32_MAX - 1) {
            throw std::length_error("entity name too long");
        }
        SetEmpty();
        char* p = new char[s.size() + 1];
        std::memcpy(p, s.data(), s.size());
        p[s.size()] = '\0';
        const auto n = static_cast<uint32_t>(s.size());
        std::memcpy(m_bytes, &p, sizeof p);
        std::memcpy(m_bytes + 8, &n, sizeof n);
        m_bytes[kTag] = kHeapTag;
    }
    // Strong guarantee: s may point into this name.
    void Replace(std::string_view s) {
        CEntityName copy(s);
        *this = std::move(copy);
    }

    alignas(8) char m_bytes[16];
};

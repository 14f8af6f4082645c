#pragma once
// Small memory and text helpers for code that runs without the C runtime.
#include <stdint.h>
#include <stddef.h>

void SimCopy(void* destination, const void* source, uint32_t bytes);
void SimFill(void* destination, uint8_t value, uint32_t bytes);
bool SimEqual(const void* a, const void* b, uint32_t bytes);
uint32_t SimStrLen(const char* text);
// Copies at most capacity - 1 characters and always terminates the result.
void SimStrCopy(char* destination, uint32_t capacity, const char* source);
bool SimStrEqual(const char* a, const char* b);

// A bounded, always terminated text builder over a caller-owned buffer.
class CSimText {
public:
    CSimText(char* buffer, uint32_t capacity);
    CSimText& Add(const char* text);
    CSimText& Add(const char* text, uint32_t length);
    CSimText& AddChar(char c);
    CSimText& AddHex(uint64_t value, uint32_t digits);
    // Lower-case digits, as lspci prints them.
    CSimText& AddLowerHex(uint64_t value, uint32_t digits);
    CSimText& AddDec(uint64_t value);
    uint32_t Length() const { return m_length; }

private:
    CSimText& AddDigits(uint64_t value, uint32_t digits, const char* digitChars);

    char* m_buffer;
    uint32_t m_capacity;
    uint32_t m_length;
};

// Growable array of trivially copyable items in host memory.
template <typename T>
class CSimArray {
public:
    uint32_t Count() const { return m_count; }
    T& operator[](uint32_t i) { return m_items[i]; }
    const T& operator[](uint32_t i) const { return m_items[i]; }

    bool Add(const T& item)
    {
        if (m_count == m_capacity && !Grow())
            return false;
        m_items[m_count++] = item;
        return true;
    }

    // Inserts at position, shifting later items up.
    bool Insert(uint32_t position, const T& item)
    {
        if (m_count == m_capacity && !Grow())
            return false;
        for (uint32_t i = m_count; i > position; --i)
            m_items[i] = m_items[i - 1];
        m_items[position] = item;
        ++m_count;
        return true;
    }

    void Release()
    {
        SimFreeItems(m_items);
        m_items = nullptr;
        m_count = 0;
        m_capacity = 0;
    }

    void Swap(CSimArray& other)
    {
        T* items = m_items;
        uint32_t count = m_count;
        uint32_t capacity = m_capacity;
        m_items = other.m_items;
        m_count = other.m_count;
        m_capacity = other.m_capacity;
        other.m_items = items;
        other.m_count = count;
        other.m_capacity = capacity;
    }

private:
    static void SimFreeItems(T* items);
    bool Grow();

    T* m_items = nullptr;
    uint32_t m_count = 0;
    uint32_t m_capacity = 0;
};

void* SimAllocArray(uint32_t count, uint32_t itemSize);
void SimFreeArray(void* p);

template <typename T>
void CSimArray<T>::SimFreeItems(T* items)
{
    SimFreeArray(items);
}

template <typename T>
bool CSimArray<T>::Grow()
{
    uint32_t capacity = m_capacity ? m_capacity * 2 : 16;
    T* items = static_cast<T*>(SimAllocArray(capacity, sizeof(T)));
    if (!items)
        return false;
    for (uint32_t i = 0; i < m_count; ++i)
        items[i] = m_items[i];
    SimFreeArray(m_items);
    m_items = items;
    m_capacity = capacity;
    return true;
}

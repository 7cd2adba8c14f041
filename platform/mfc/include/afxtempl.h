// The framework's collection templates: CArray (contiguous), CList (doubly linked, walked
// with POSITION) and CMap (hashed; walked with GetStartPosition / GetNextAssoc).
#pragma once

#include "afx.h"

#include <utility>
#include <vector>

#ifndef AFX_POSITION_DEFINED
#define AFX_POSITION_DEFINED
struct __POSITION {};
typedef __POSITION* POSITION;
#endif
#ifndef BEFORE_START_POSITION
#define BEFORE_START_POSITION ((POSITION)-1L)
#endif

template <class TYPE, class ARG_TYPE = const TYPE&>
class CArray : public CObject {
public:
    CArray() {}
    ~CArray() override {}

    INT_PTR GetSize() const { return static_cast<INT_PTR>(m_data.size()); }
    INT_PTR GetCount() const { return GetSize(); }
    BOOL IsEmpty() const { return m_data.empty(); }
    INT_PTR GetUpperBound() const { return GetSize() - 1; }
    void SetSize(INT_PTR newSize, INT_PTR growBy = -1)
    {
        UNUSED(growBy);
        if (newSize < 0)
            AfxThrowInvalidArgException();
        m_data.resize(static_cast<size_t>(newSize));
    }
    void FreeExtra() { m_data.shrink_to_fit(); }
    void RemoveAll() { m_data.clear(); }

    const TYPE& GetAt(INT_PTR index) const { return m_data.at(Index(index)); }
    TYPE& GetAt(INT_PTR index) { return m_data.at(Index(index)); }
    void SetAt(INT_PTR index, ARG_TYPE element) { m_data.at(Index(index)) = element; }
    TYPE& ElementAt(INT_PTR index) { return m_data.at(Index(index)); }
    const TYPE& ElementAt(INT_PTR index) const { return m_data.at(Index(index)); }
    const TYPE* GetData() const { return m_data.empty() ? nullptr : m_data.data(); }
    TYPE* GetData() { return m_data.empty() ? nullptr : m_data.data(); }
    const TYPE& operator[](INT_PTR index) const { return GetAt(index); }
    TYPE& operator[](INT_PTR index) { return ElementAt(index); }

    void SetAtGrow(INT_PTR index, ARG_TYPE element)
    {
        if (index < 0)
            AfxThrowInvalidArgException();
        if (index >= GetSize())
            SetSize(index + 1);
        m_data[static_cast<size_t>(index)] = element;
    }
    INT_PTR Add(ARG_TYPE element)
    {
        m_data.push_back(element);
        return GetSize() - 1;
    }
    INT_PTR Append(const CArray& src)
    {
        INT_PTR old = GetSize();
        std::vector<TYPE> copy(src.m_data); // src may be this array
        m_data.insert(m_data.end(), copy.begin(), copy.end());
        return old;
    }
    void Copy(const CArray& src)
    {
        if (&src != this)
            m_data = src.m_data;
    }
    void InsertAt(INT_PTR index, ARG_TYPE element, INT_PTR count = 1)
    {
        if (index < 0 || count < 0)
            AfxThrowInvalidArgException();
        TYPE value(element);
        if (index > GetSize())
            SetSize(index);
        m_data.insert(m_data.begin() + index, static_cast<size_t>(count), value);
    }
    void InsertAt(INT_PTR start, const CArray* src)
    {
        if (!src || start < 0)
            AfxThrowInvalidArgException();
        std::vector<TYPE> copy(src->m_data);
        if (start > GetSize())
            SetSize(start);
        m_data.insert(m_data.begin() + start, copy.begin(), copy.end());
    }
    void RemoveAt(INT_PTR index, INT_PTR count = 1)
    {
        if (index < 0 || count < 0 || index + count > GetSize())
            AfxThrowInvalidArgException();
        m_data.erase(m_data.begin() + index, m_data.begin() + index + count);
    }

    // Not in the framework: lets range-for walk the elements.
    typename std::vector<TYPE>::iterator begin() { return m_data.begin(); }
    typename std::vector<TYPE>::iterator end() { return m_data.end(); }
    typename std::vector<TYPE>::const_iterator begin() const { return m_data.begin(); }
    typename std::vector<TYPE>::const_iterator end() const { return m_data.end(); }

private:
    size_t Index(INT_PTR index) const
    {
        if (index < 0 || index >= GetSize())
            AfxThrowInvalidArgException();
        return static_cast<size_t>(index);
    }
    std::vector<TYPE> m_data;
};

template <class TYPE, class ARG_TYPE = const TYPE&>
class CList : public CObject {
    struct CNode {
        CNode* pNext;
        CNode* pPrev;
        TYPE data;
    };

public:
    explicit CList(INT_PTR blockSize = 10) { UNUSED(blockSize); }
    ~CList() override { RemoveAll(); }

    INT_PTR GetCount() const { return m_nCount; }
    INT_PTR GetSize() const { return m_nCount; }
    BOOL IsEmpty() const { return m_nCount == 0; }

    TYPE& GetHead() { return Checked(m_pNodeHead)->data; }
    const TYPE& GetHead() const { return Checked(m_pNodeHead)->data; }
    TYPE& GetTail() { return Checked(m_pNodeTail)->data; }
    const TYPE& GetTail() const { return Checked(m_pNodeTail)->data; }

    TYPE RemoveHead()
    {
        CNode* node = Checked(m_pNodeHead);
        TYPE value = node->data;
        RemoveAt(Pos(node));
        return value;
    }
    TYPE RemoveTail()
    {
        CNode* node = Checked(m_pNodeTail);
        TYPE value = node->data;
        RemoveAt(Pos(node));
        return value;
    }
    POSITION AddHead(ARG_TYPE element) { return InsertBefore(GetHeadPosition(), element); }
    POSITION AddTail(ARG_TYPE element) { return InsertAfter(GetTailPosition(), element); }
    void AddHead(const CList* list)
    {
        for (POSITION p = list->GetTailPosition(); p;)
            AddHead(list->GetPrev(p));
    }
    void AddTail(const CList* list)
    {
        for (POSITION p = list->GetHeadPosition(); p;)
            AddTail(list->GetNext(p));
    }
    void RemoveAll()
    {
        for (CNode* n = m_pNodeHead; n;) {
            CNode* next = n->pNext;
            delete n;
            n = next;
        }
        m_pNodeHead = m_pNodeTail = nullptr;
        m_nCount = 0;
    }

    POSITION GetHeadPosition() const { return Pos(m_pNodeHead); }
    POSITION GetTailPosition() const { return Pos(m_pNodeTail); }
    TYPE& GetNext(POSITION& pos)
    {
        CNode* n = Node(pos);
        pos = Pos(n->pNext);
        return n->data;
    }
    const TYPE& GetNext(POSITION& pos) const
    {
        CNode* n = Node(pos);
        pos = Pos(n->pNext);
        return n->data;
    }
    TYPE& GetPrev(POSITION& pos)
    {
        CNode* n = Node(pos);
        pos = Pos(n->pPrev);
        return n->data;
    }
    const TYPE& GetPrev(POSITION& pos) const
    {
        CNode* n = Node(pos);
        pos = Pos(n->pPrev);
        return n->data;
    }
    TYPE& GetAt(POSITION pos) { return Node(pos)->data; }
    const TYPE& GetAt(POSITION pos) const { return Node(pos)->data; }
    void SetAt(POSITION pos, ARG_TYPE element) { Node(pos)->data = element; }
    void RemoveAt(POSITION pos)
    {
        CNode* n = Node(pos);
        (n->pPrev ? n->pPrev->pNext : m_pNodeHead) = n->pNext;
        (n->pNext ? n->pNext->pPrev : m_pNodeTail) = n->pPrev;
        delete n;
        --m_nCount;
    }
    POSITION InsertBefore(POSITION pos, ARG_TYPE element)
    {
        CNode* at = pos ? Node(pos) : m_pNodeHead;
        CNode* n = new CNode{at, at ? at->pPrev : m_pNodeTail, element};
        if (!at)
            n->pPrev = nullptr;
        (n->pPrev ? n->pPrev->pNext : m_pNodeHead) = n;
        (n->pNext ? n->pNext->pPrev : m_pNodeTail) = n;
        ++m_nCount;
        return Pos(n);
    }
    POSITION InsertAfter(POSITION pos, ARG_TYPE element)
    {
        CNode* at = pos ? Node(pos) : m_pNodeTail;
        CNode* n = new CNode{at ? at->pNext : nullptr, at, element};
        (n->pPrev ? n->pPrev->pNext : m_pNodeHead) = n;
        (n->pNext ? n->pNext->pPrev : m_pNodeTail) = n;
        ++m_nCount;
        return Pos(n);
    }
    POSITION Find(ARG_TYPE value, POSITION startAfter = nullptr) const
    {
        CNode* n = startAfter ? Node(startAfter)->pNext : m_pNodeHead;
        for (; n; n = n->pNext)
            if (n->data == value)
                return Pos(n);
        return nullptr;
    }
    POSITION FindIndex(INT_PTR index) const
    {
        if (index < 0 || index >= m_nCount)
            return nullptr;
        CNode* n = m_pNodeHead;
        while (index-- > 0)
            n = n->pNext;
        return Pos(n);
    }

private:
    CList(const CList&) = delete;
    CList& operator=(const CList&) = delete;
    static POSITION Pos(CNode* n) { return reinterpret_cast<POSITION>(n); }
    static CNode* Node(POSITION p)
    {
        if (!p)
            AfxThrowInvalidArgException();
        return reinterpret_cast<CNode*>(p);
    }
    static CNode* Checked(CNode* n)
    {
        if (!n)
            AfxThrowInvalidArgException();
        return n;
    }

    CNode* m_pNodeHead = nullptr;
    CNode* m_pNodeTail = nullptr;
    INT_PTR m_nCount = 0;
};

// Hash functions for CMap keys.
template <class ARG_KEY> inline UINT AFXAPI HashKey(ARG_KEY key)
{
    return static_cast<UINT>(static_cast<ULONGLONG>(key) >> 4);
}
template <> inline UINT AFXAPI HashKey<LPCWSTR>(LPCWSTR key)
{
    UINT h = 0;
    for (; key && *key; ++key)
        h = (h << 5) + h + static_cast<UINT>(*key);
    return h;
}
template <> inline UINT AFXAPI HashKey<const CString&>(const CString& key) { return HashKey<LPCWSTR>(key); }
template <> inline UINT AFXAPI HashKey<LPCSTR>(LPCSTR key)
{
    UINT h = 0;
    for (; key && *key; ++key)
        h = (h << 5) + h + static_cast<UINT>(static_cast<BYTE>(*key));
    return h;
}
template <> inline UINT AFXAPI HashKey<void*>(void* key)
{
    return static_cast<UINT>(reinterpret_cast<ULONG_PTR>(key) >> 4);
}

template <class KEY, class ARG_KEY, class VALUE, class ARG_VALUE>
class CMap : public CObject {
public:
    struct CPair {
        const KEY key;
        VALUE value;
    };

    explicit CMap(INT_PTR blockSize = 10) { UNUSED(blockSize); }
    ~CMap() override { RemoveAll(); }

    INT_PTR GetCount() const { return m_nCount; }
    INT_PTR GetSize() const { return m_nCount; }
    BOOL IsEmpty() const { return m_nCount == 0; }
    UINT GetHashTableSize() const { return static_cast<UINT>(m_buckets.size()); }
    // Sets the number of buckets; only while the map is empty, as in the framework.
    void InitHashTable(UINT size, BOOL allocNow = TRUE)
    {
        UNUSED(allocNow);
        if (m_nCount == 0 && size > 0)
            m_buckets.assign(size, nullptr);
    }

    BOOL Lookup(ARG_KEY key, VALUE& value) const
    {
        const CAssoc* a = Find(key);
        if (!a)
            return FALSE;
        value = a->pair.value;
        return TRUE;
    }
    const CPair* PLookup(ARG_KEY key) const { const CAssoc* a = Find(key); return a ? &a->pair : nullptr; }
    CPair* PLookup(ARG_KEY key) { CAssoc* a = Find(key); return a ? &a->pair : nullptr; }
    VALUE& operator[](ARG_KEY key)
    {
        if (CAssoc* a = Find(key))
            return a->pair.value;
        if (m_buckets.empty())
            m_buckets.assign(17, nullptr);
        UINT b = HashKey<ARG_KEY>(key) % GetHashTableSize();
        CAssoc* a = new CAssoc{m_buckets[b], {KEY(key), VALUE()}};
        m_buckets[b] = a;
        ++m_nCount;
        return a->pair.value;
    }
    void SetAt(ARG_KEY key, ARG_VALUE value) { (*this)[key] = value; }
    BOOL RemoveKey(ARG_KEY key)
    {
        if (m_buckets.empty())
            return FALSE;
        CAssoc** link = &m_buckets[HashKey<ARG_KEY>(key) % GetHashTableSize()];
        for (; *link; link = &(*link)->pNext) {
            if ((*link)->pair.key == key) {
                CAssoc* a = *link;
                *link = a->pNext;
                delete a;
                --m_nCount;
                return TRUE;
            }
        }
        return FALSE;
    }
    void RemoveAll()
    {
        for (auto& head : m_buckets) {
            while (head) {
                CAssoc* next = head->pNext;
                delete head;
                head = next;
            }
        }
        m_nCount = 0;
    }

    POSITION GetStartPosition() const { return m_nCount == 0 ? nullptr : BEFORE_START_POSITION; }
    void GetNextAssoc(POSITION& pos, KEY& key, VALUE& value) const
    {
        const CAssoc* a = pos == BEFORE_START_POSITION ? First(0) : reinterpret_cast<const CAssoc*>(pos);
        if (!a)
            AfxThrowInvalidArgException();
        key = a->pair.key;
        value = a->pair.value;
        const CAssoc* next = a->pNext ? a->pNext : First(HashKey<ARG_KEY>(a->pair.key) % GetHashTableSize() + 1);
        pos = reinterpret_cast<POSITION>(const_cast<CAssoc*>(next));
    }

private:
    struct CAssoc {
        CAssoc* pNext;
        CPair pair;
    };
    CMap(const CMap&) = delete;
    CMap& operator=(const CMap&) = delete;

    CAssoc* Find(ARG_KEY key) const
    {
        if (m_buckets.empty())
            return nullptr;
        for (CAssoc* a = m_buckets[HashKey<ARG_KEY>(key) % GetHashTableSize()]; a; a = a->pNext)
            if (a->pair.key == key)
                return a;
        return nullptr;
    }
    const CAssoc* First(size_t bucket) const
    {
        for (; bucket < m_buckets.size(); ++bucket)
            if (m_buckets[bucket])
                return m_buckets[bucket];
        return nullptr;
    }

    std::vector<CAssoc*> m_buckets;
    INT_PTR m_nCount = 0;
};

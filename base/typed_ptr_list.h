// A doubly linked list of typed pointers addressed by opaque positions, the shape the camera
// sets and list controls share. It never owns what its pointers point to.
#pragma once

#include <cstddef>

struct __POSITION {};
typedef __POSITION* POSITION;

// Tag for the untyped base the typed list is declared over.
class CPtrList {};

template <class BASE, class TYPE>
class CTypedPtrList {
public:
    // Nodes are plain heap nodes; the block size is kept for the declarations that pass it.
    explicit CTypedPtrList(int nBlockSize = 10) : m_nBlockSize(nBlockSize) {}
    ~CTypedPtrList() { RemoveAll(); }
    CTypedPtrList(const CTypedPtrList&) = delete;
    CTypedPtrList& operator=(const CTypedPtrList&) = delete;

    POSITION AddTail(TYPE p) {
        Node* n = new Node{p, m_pTail, nullptr};
        (m_pTail ? m_pTail->pNext : m_pHead) = n;
        m_pTail = n;
        ++m_nCount;
        return Pos(n);
    }

    POSITION GetHeadPosition() const { return Pos(m_pHead); }
    POSITION GetTailPosition() const { return Pos(m_pTail); }

    // Returns the element at pos and moves pos to the next one (null after the tail).
    TYPE& GetNext(POSITION& pos) const {
        Node* n = NodeOf(pos);
        pos = Pos(n->pNext);
        return n->data;
    }
    TYPE& GetPrev(POSITION& pos) const {
        Node* n = NodeOf(pos);
        pos = Pos(n->pPrev);
        return n->data;
    }
    TYPE& GetAt(POSITION pos) const { return NodeOf(pos)->data; }

    // Position of the first node holding p (searching after startAfter if given), or null.
    POSITION Find(TYPE p, POSITION startAfter = nullptr) const {
        Node* n = startAfter ? NodeOf(startAfter)->pNext : m_pHead;
        for (; n; n = n->pNext)
            if (n->data == p) return Pos(n);
        return nullptr;
    }

    // Position of the element with the given index from the head, or null.
    POSITION FindIndex(ptrdiff_t index) const {
        if (index < 0 || index >= m_nCount) return nullptr;
        Node* n = m_pHead;
        while (index-- > 0) n = n->pNext;
        return Pos(n);
    }

    void RemoveAt(POSITION pos) {
        Node* n = NodeOf(pos);
        (n->pPrev ? n->pPrev->pNext : m_pHead) = n->pNext;
        (n->pNext ? n->pNext->pPrev : m_pTail) = n->pPrev;
        delete n;
        --m_nCount;
    }

    void RemoveAll() {
        while (m_pHead) {
            Node* next = m_pHead->pNext;
            delete m_pHead;
            m_pHead = next;
        }
        m_pTail = nullptr;
        m_nCount = 0;
    }

    ptrdiff_t GetCount() const { return m_nCount; }
    bool IsEmpty() const { return m_nCount == 0; }
    int GetBlockSize() const { return m_nBlockSize; }

private:
    struct Node {
        TYPE data;
        Node* pPrev;
        Node* pNext;
    };
    static POSITION Pos(Node* n) { return reinterpret_cast<POSITION>(n); }
    static Node* NodeOf(POSITION p) { return reinterpret_cast<Node*>(p); }

    Node* m_pHead = nullptr;
    Node* m_pTail = nullptr;
    ptrdiff_t m_nCount = 0;
    int m_nBlockSize;
};

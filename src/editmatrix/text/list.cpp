// The character list and the visible window.
//
// The text is a doubly linked list of Node records closed by an end sentinel (Character 0) that
// always exists. Two positions point into it, each as an index and a node: the cursor
// (FCursorPos, FCursorNode) and the first visible slot (FFirstVisible, FVisibleNode). With
// L = FTextLength, P = FCursorPos, F = FFirstVisible and T = TotalVisible the list keeps:
//   1. FFirstNode ... L text nodes ... FEndNode along NextNode, PrevNode mirroring it;
//   2. 0 <= P <= L and FCursorNode is the node of index P (FEndNode when P = L);
//   3. FVisibleNode is the node of index F;
//   4. F <= P <= F + T - 1, the cursor inside the window.
// A window of no cells (T = 0) cannot hold the cursor; there the list keeps 1 to 3 and F <= P,
// and the window stands at the cursor (F = P) once the width has been set to 0. ClearPointerArea
// suspends all of this until InitPointers runs.
#include <cassert>

#include "../host_names.h"
#include "vyr/EditMatrix.h"

namespace vyr {

Node* TEditMatrix::CreateNode(Byte Character) { return new Node{Character, nullptr, nullptr}; }

void TEditMatrix::InitPointers() {
    FEndNode = CreateNode(0);
    FFirstNode = FEndNode;
    FCursorNode = FEndNode;
    FVisibleNode = FEndNode;
    FCursorPos = 0;
    FFirstVisible = 0;
    FTextLength = 0;
}

// Frees every node, the sentinel included. The node fields are left null, not dangling.
void TEditMatrix::ClearPointerArea() {
    Node* N = FFirstNode;
    while (N != nullptr) {
        Node* Next = N == FEndNode ? nullptr : N->NextNode;
        delete N;
        N = Next;
    }
    FFirstNode = nullptr;
    FEndNode = nullptr;
    FCursorNode = nullptr;
    FVisibleNode = nullptr;
    FFirstVisible = 0;
}

// Inserts before the cursor's node; the cursor stays on its node, so P and L grow by one and
// the window keeps its index (a node inserted before the window's first node becomes it).
void TEditMatrix::InsertElement(Byte Character) {
    assert(FCursorNode != nullptr);
    Node* N = CreateNode(Character);
    if (FCursorNode == FFirstNode) {
        N->NextNode = FFirstNode;
        FFirstNode->PrevNode = N;
        FFirstNode = N;
        FVisibleNode = N;
    } else {
        N->PrevNode = FCursorNode->PrevNode;
        N->NextNode = FCursorNode;
        FCursorNode->PrevNode->NextNode = N;
        FCursorNode->PrevNode = N;
        if (FCursorNode == FVisibleNode) {
            FVisibleNode = N;
        }
    }
    ++FTextLength;
    ++FCursorPos;
}

// N must be the node just before the cursor's node (anything else is ignored). The window is
// not re-pointed: when N was FVisibleNode the caller gives the window a new first node.
void TEditMatrix::RemoveElement(Node* N) {
    assert(N != nullptr && FCursorNode != nullptr && N == FCursorNode->PrevNode);
    if (N == nullptr || FCursorNode == nullptr || N != FCursorNode->PrevNode) {
        return;
    }
    if (N == FFirstNode) {
        FFirstNode = N->NextNode;
        FFirstNode->PrevNode = nullptr;
    } else {
        N->PrevNode->NextNode = N->NextNode;
        N->NextNode->PrevNode = N->PrevNode;
    }
    delete N;
    --FCursorPos;
    --FTextLength;
}

AnsiString TEditMatrix::FReadText() const {
    AnsiString S;
    S.reserve(static_cast<std::size_t>(FTextLength));
    for (const Node* N = FFirstNode; N != nullptr && N != FEndNode && static_cast<std::int32_t>(S.size()) < FTextLength;
         N = N->NextNode) {
        S.push_back(static_cast<char>(N->Character));
    }
    return S;
}

// Replaces the whole list (codes below 32 become spaces), rebuilds the column stream, puts the
// cursor at the end and repaints. Even the same text moves the cursor to the end.
void TEditMatrix::FSetText(const AnsiString& Value) {
    const AnsiString Old = FReadText();
    FBlinking = false;
    ClearPointerArea();
    InitPointers();
    for (const char Ch : Value) {
        const auto Code = static_cast<Byte>(Ch);
        InsertElement(Code < 32 ? Byte{32} : Code);
    }
    FCursorNode = FFirstNode;
    FVisibleNode = FFirstNode;
    FFirstVisible = 0;
    FCursorPos = 0;
    InitScroll();
    GoEnd();
    FTotalRefresh = true;
    Paint();
    if (FReadText() != Old) Changed("Text");
}

// After the width has changed: moves the window right until the cursor is in its last cell. A
// window that grew is not moved left. With a width of 0 the window moves to the cursor
// (F = P), never past it, so the window's node always exists.
void TEditMatrix::CheckAndSetCursor() {
    const std::int32_t Cells = FTotalVisible == 0 ? 1 : FTotalVisible;
    if (FFirstVisible + Cells > FCursorPos || FVisibleNode == nullptr) {
        return;
    }
    const std::int32_t Steps = FCursorPos - FFirstVisible - Cells + 1;
    for (std::int32_t i = 0; i < Steps && FVisibleNode->NextNode != nullptr; ++i) {
        FVisibleNode = FVisibleNode->NextNode;
        ++FFirstVisible;
    }
}

}  // namespace vyr

// STUB: replaced by the character list.
#include "vyr/EditMatrix.h"

namespace vyr {

Node* TEditMatrix::CreateNode(Byte) { return nullptr; }
void TEditMatrix::InitPointers() {}
void TEditMatrix::ClearPointerArea() {}
void TEditMatrix::InsertElement(Byte) {}
void TEditMatrix::RemoveElement(Node*) {}
AnsiString TEditMatrix::FReadText() const { return {}; }
void TEditMatrix::FSetText(const AnsiString&) {}
void TEditMatrix::CheckAndSetCursor() {}

}  // namespace vyr

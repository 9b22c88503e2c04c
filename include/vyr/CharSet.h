/// @file
/// TCharSet: a non-visual component with no data of its own. A TEditMatrix can refer to one
/// through its Charset property; the matrix always draws from its own glyph table.
#pragma once

#include "vyr/host/Component.h"

namespace vyr {

/// A character-set component that a TEditMatrix can refer to (Charset); see the file's description.
class TCharSet : public host::TComponent {
public:
    /// Makes the component owned by AOwner.
    explicit TCharSet(host::TComponent* AOwner);
    ~TCharSet() override;

    [[nodiscard]] std::string_view ClassName() const override { return "TCharSet"; }

    /** @{ */
    /// TCharSet holds no glyphs: GetCharColumn answers 0 (an unlit column) for every code and
    /// column, and SetCharcolumn changes nothing.
    [[nodiscard]] host::Byte GetCharColumn(host::Byte Character, host::Byte Column) const;
    void SetCharcolumn(host::Byte Character, host::Byte Column, host::Byte Value);
    /** @} */
};

}  // namespace vyr

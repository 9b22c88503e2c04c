// `--load-form FILE` and `--save-form FILE` of `render`: the matrix's published properties read
// from a form file before the actions and written to one after them.
#pragma once

#include <optional>
#include <string>

namespace vyr::cli {

class TSession;

// Throws TBadArgument when a form option is given that this build cannot honour (checked with
// the other arguments, before anything is built).
void CheckFormStorageOptions(const std::optional<std::string>& LoadForm, const std::optional<std::string>& SaveForm);

// Throw TRunError with a message naming the file when reading or writing fails.
void LoadForm(TSession& Session, const std::string& Path);
void SaveForm(const TSession& Session, const std::string& Path);

}  // namespace vyr::cli

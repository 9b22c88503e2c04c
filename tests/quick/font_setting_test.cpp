// fontSource and codePage on the Qt Quick EditMatrix: the cases both Qt front ends share.
#include <QtCore/QTemporaryDir>

#include "support/font_setting_cases.h"
#include "vyr/quick/QuickEditMatrix.h"

namespace vyr::test {
namespace {

TEST(QuickEditMatrixFonts, FontSourceAndCodePageCases) {
    QTemporaryDir Dir;
    ASSERT_TRUE(Dir.isValid());
    fontcases::WriteFiles(Dir.path());
    fontcases::RunAll<QuickEditMatrix>([] { return std::make_unique<QuickEditMatrix>(); }, Dir.path());
}

}  // namespace
}  // namespace vyr::test

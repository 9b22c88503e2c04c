// fontSource and codePage on vyr::QEditMatrix: the cases both Qt front ends share.
#include <QtCore/QTemporaryDir>

#include "support/font_setting_cases.h"
#include "vyr/qt/QEditMatrix.h"

namespace vyr::test {
namespace {

TEST(QEditMatrixFonts, FontSourceAndCodePageCases) {
    QTemporaryDir Dir;
    ASSERT_TRUE(Dir.isValid());
    fontcases::WriteFiles(Dir.path());
    fontcases::RunAll<QEditMatrix>([] { return std::make_unique<QEditMatrix>(); }, Dir.path());
}

}  // namespace
}  // namespace vyr::test

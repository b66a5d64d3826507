#include <gtest/gtest.h>

#include "app_error.hpp"

namespace tessary::app {
namespace {

TEST(ErrorReport, Layouts) {
  EXPECT_EQ(AppError("alone").report(), "Error: alone\n");
  EXPECT_EQ(AppError("inner").context("outer").report(), "Error: outer\n\nCaused by:\n    inner\n");
  EXPECT_EQ(AppError("c").context("b").context("a").report(),
            "Error: a\n\nCaused by:\n    0: b\n    1: c\n");
  // Continuation lines of a multi-line cause are indented under the text.
  EXPECT_EQ(AppError("x\ny").context("outer").report(),
            "Error: outer\n\nCaused by:\n    x\n    y\n");
  EXPECT_EQ(AppError("x\ny").context("b").context("a").report(),
            "Error: a\n\nCaused by:\n    0: b\n    1: x\n       y\n");
}

TEST(ErrorReport, LibraryErrorsShowTheirCauses) {
  const DatError io = IoError::from_errno(2);
  EXPECT_EQ(AppError(io).report(),
            "Error: IO error: No such file or directory (os error 2)\n\nCaused by:\n"
            "    No such file or directory (os error 2)\n");
  DecodeError d = DecodeError::end_of_data();
  d.add_context("magic", "DatHeader");
  EXPECT_EQ(AppError(DatError(d)).report(),
            "Error: Binary read error: failed to fill whole buffer\n"
            "While parsing field 'magic' in DatHeader\n\nCaused by:\n"
            "    failed to fill whole buffer\n    While parsing field 'magic' in DatHeader\n");
  EXPECT_EQ(AppError(DatError::not_found(0x1A)).report(),
            "Error: File ID 0000001A not found in provider\n");
}

}  // namespace
}  // namespace tessary::app

#include "QZFramework/Renderer/OpenGL/GLPolygon.h"
#include "QZFramework/Renderer/OpenGL/GLDisplayList.h"

#include "GLTestSupport.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <initializer_list>
#include <string>
#include <utility>

namespace QZ {
namespace {

// Polylines cannot be copied; each outline is built in place.
struct Outline {
  Outline(std::initializer_list<std::pair<float, float>> points) {
    for (const auto& [x, y] : points)
      polyline.AddItem(PointT<float>{x, y});
  }
  operator const PolylineT<float>&() const { return polyline; }
  PolylineT<float> polyline;
};

// A "U": two arms joined at the bottom, with the notch between them open at
// the top; concave at both inner corners.
Outline UShape() {
  return Outline({{10, 10}, {30, 10}, {30, 50}, {60, 50}, {60, 10}, {80, 10}, {80, 80}, {10, 80}});
}

class GLPolygonTest : public test::GLDrawingTest {
protected:
  static constexpr std::uint32_t kWhite = 0xFFFFFFFFu;
  static constexpr std::uint32_t kBlack = 0xFF000000u;

  void ExpectUShape() {
    struct Sample {
      std::int32_t x, y;
      std::uint32_t colour;
    };
    const Sample samples[] = {
        {15, 15, kWhite}, {75, 15, kWhite}, {45, 70, kWhite}, {12, 78, kWhite},
        {78, 78, kWhite}, {45, 15, kBlack}, {45, 45, kBlack}, {35, 12, kBlack}, // the notch
        {5, 40, kBlack},  {85, 40, kBlack}, {45, 85, kBlack},                   // outside
    };
    for (const Sample& s : samples) {
      SCOPED_TRACE(std::to_string(s.x) + "," + std::to_string(s.y));
      EXPECT_EQ(PixelAt(s.x, s.y), s.colour);
    }
    // The filled area is the U's: 70 x 70 less the 30 x 40 notch.
    std::int32_t filled = 0;
    for (std::int32_t y = 0; y < kHeight; ++y)
      for (std::int32_t x = 0; x < 100; ++x)
        filled += PixelAt(x, y) == kWhite;
    EXPECT_EQ(filled, 70 * 70 - 30 * 40);
  }

  void SetUp() override {
    GLDrawingTest::SetUp();
    glColor4f(1, 1, 1, 1);
  }
};

TEST_F(GLPolygonTest, FillsAConcaveOutlineAndLeavesItsNotchEmpty) {
  CGLPolygon polygon;
  polygon.Tessellate(UShape());
  ExpectUShape();
  EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(GLPolygonTest, TrianglesAreRecordedInADisplayListBeingCompiled) {
  RCPtr<LGLDisplayList> list = LGLDisplayList::Create(1);
  ASSERT_EQ(list->BeginCompile(0), S_OK);
  CGLPolygon polygon;
  // A small one first, so the shared vertex buffer grows for the second.
  polygon.Tessellate(Outline({{0, 0}, {1, 0}, {0, 1}}));
  polygon.Tessellate(UShape());
  ASSERT_EQ(list->EndCompile(), S_OK);
  ClearBlack();
  EXPECT_EQ(PixelAt(15, 15), kBlack) << "compiling draws nothing";
  ASSERT_EQ(list->Call(0, 1), S_OK);
  ExpectUShape();
}

TEST_F(GLPolygonTest, ASelfIntersectingOutlineIsDrawnInPartWithoutTroubleForTheCaller) {
  CGLPolygon polygon;
  // A bow tie: its edges cross at (50, 50), where the tessellator would need
  // a new vertex.
  polygon.Tessellate(Outline({{10, 10}, {90, 90}, {90, 10}, {10, 90}}));
  while (glGetError() != GL_NO_ERROR) {
  }
  // Drawing goes on normally afterwards.
  ClearBlack();
  polygon.Tessellate(UShape());
  ExpectUShape();
}

TEST_F(GLPolygonTest, TooFewPointsDrawNothing) {
  CGLPolygon polygon;
  polygon.Tessellate(PolylineT<float>());
  polygon.Tessellate(Outline({{10, 10}, {50, 50}}));
  EXPECT_EQ(PixelAt(30, 30), kBlack);
  EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

} // namespace
} // namespace QZ

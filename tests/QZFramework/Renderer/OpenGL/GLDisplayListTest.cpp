#include "QZFramework/Renderer/OpenGL/GLDisplayList.h"

#include "GLTestSupport.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <cstdint>

namespace QZ {
namespace {

class GLDisplayListTest : public test::GLDrawingTest {
protected:
  // Compiles list index of the range as a filled square of one colour at x.
  static void CompileSquare(LGLDisplayList& lists, std::int32_t index, float x, float r, float g, float b) {
    ASSERT_EQ(lists.BeginCompile(index), S_OK);
    glColor4f(r, g, b, 1.0f);
    glBegin(GL_QUADS);
    glVertex2f(x, 0);
    glVertex2f(x + 10, 0);
    glVertex2f(x + 10, 10);
    glVertex2f(x, 10);
    glEnd();
    ASSERT_EQ(lists.EndCompile(), S_OK);
  }
};

TEST_F(GLDisplayListTest, CreateGivesNamelessRangesAndNullForNone) {
  EXPECT_FALSE(LGLDisplayList::Create(0));
  RCPtr<LGLDisplayList> lists = LGLDisplayList::Create(2);
  ASSERT_TRUE(lists);
  EXPECT_EQ(lists->GetBase(), -1);
  EXPECT_EQ(lists->GetCount(), 2);
  EXPECT_EQ(lists->Call(0, 1), E_FAIL) << "no names yet";
  EXPECT_EQ(lists->EndCompile(), E_FAIL);
}

TEST_F(GLDisplayListTest, CompiledListsDrawOnlyWhenCalled) {
  RCPtr<LGLDisplayList> lists = LGLDisplayList::Create(2);
  CompileSquare(*lists, 0, 0, 1, 0, 0);
  CompileSquare(*lists, 1, 20, 0, 1, 0);
  EXPECT_NE(lists->GetBase(), -1);
  EXPECT_EQ(PixelAt(5, 5), 0xFF000000u) << "compiling draws nothing";

  EXPECT_EQ(lists->Call(1, 1), S_OK);
  EXPECT_EQ(PixelAt(5, 5), 0xFF000000u);
  EXPECT_EQ(PixelAt(25, 5), 0xFF00FF00u);
  EXPECT_EQ(lists->Call(0, 2), S_OK);
  EXPECT_EQ(PixelAt(5, 5), 0xFFFF0000u);
  EXPECT_EQ(lists->Call(0, 0), S_OK) << "nothing to play";
  EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(GLDisplayListTest, CallsPastTheRangeAreRefusedWithNothingPlayed) {
  RCPtr<LGLDisplayList> lists = LGLDisplayList::Create(2);
  CompileSquare(*lists, 0, 0, 1, 0, 0);
  CompileSquare(*lists, 1, 20, 0, 1, 0);
  struct Case {
    std::uint32_t start, count;
  };
  // The last one would wrap round to 1 in 32 bits.
  const Case cases[] = {{0, 3}, {2, 1}, {1, 2}, {UINT32_MAX, 2}};
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.start) + "+" + std::to_string(c.count));
    EXPECT_EQ(lists->Call(c.start, c.count), E_INVALIDARG);
    EXPECT_EQ(PixelAt(5, 5), 0xFF000000u);
    EXPECT_EQ(PixelAt(25, 5), 0xFF000000u);
  }
}

TEST_F(GLDisplayListTest, AListThatIsGoneFailsAfterTheOnesBeforeItArePlayed) {
  RCPtr<LGLDisplayList> lists = LGLDisplayList::Create(2);
  CompileSquare(*lists, 0, 0, 1, 0, 0);
  CompileSquare(*lists, 1, 20, 0, 1, 0);
  glDeleteLists(static_cast<GLuint>(lists->GetBase() + 1), 1);
  EXPECT_EQ(lists->Call(0, 2), E_FAIL);
  EXPECT_EQ(PixelAt(5, 5), 0xFFFF0000u) << "the first list was played";
  EXPECT_EQ(PixelAt(25, 5), 0xFF000000u);

  // With the whole range gone, compiling fails as well.
  glDeleteLists(static_cast<GLuint>(lists->GetBase()), 2);
  EXPECT_EQ(lists->BeginCompile(0), E_FAIL);
  EXPECT_EQ(lists->EndCompile(), E_FAIL);
  EXPECT_EQ(lists->Call(0, 1), E_FAIL);
}

TEST_F(GLDisplayListTest, DestructionDeletesTheRange) {
  RCPtr<LGLDisplayList> lists = LGLDisplayList::Create(3);
  CompileSquare(*lists, 0, 0, 1, 1, 1);
  const GLuint base = static_cast<GLuint>(lists->GetBase());
  EXPECT_TRUE(glIsList(base));
  lists = nullptr;
  EXPECT_FALSE(glIsList(base));
  EXPECT_FALSE(glIsList(base + 2));
}

TEST_F(GLDisplayListTest, ARangeOpenGLCannotNameFailsToCompile) {
  // glGenLists refuses a negative count (and raises an error, drained here).
  RCPtr<LGLDisplayList> lists = LGLDisplayList::Create(-1);
  ASSERT_TRUE(lists);
  EXPECT_EQ(lists->BeginCompile(0), E_FAIL);
  EXPECT_EQ(lists->GetBase(), -1);
  EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

} // namespace
} // namespace QZ

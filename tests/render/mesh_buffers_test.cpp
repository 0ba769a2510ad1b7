#include "render/mesh_buffers.h"

#include <gtest/gtest.h>

#include "mesh/mesh.h"
#include "platform/testing.h"
#include "tests/support/render_fixture.h"

namespace rendertest {
namespace {

class MeshBuffersTest : public RenderTest {
 protected:
  void SetUp() override {
    RenderTest::SetUp();
    if (!IsSkipped()) mesh_ = MeshCreate(&device_, 0, 0);
  }
  void TearDown() override {
    MeshDestroy(mesh_);
    RenderTest::TearDown();
  }
  Mesh* mesh_ = nullptr;
};

// Recreating the buffers with another dynamic flag replaces them without a leak; releasing
// twice is harmless and leaves nothing to lock.
TEST_F(MeshBuffersTest, RecreateAndReleaseLeaveNoBuffer) {
  const int live = d3d9test::LiveResources(D3DPOOL_DEFAULT);
  for (uint8_t dynamic : {1, 0}) {
    MeshCreateVertexBuffer(10, *mesh_, renderer(), dynamic);
    MeshCreateIndexBuffer(renderer(), *mesh_, 6, dynamic);
    EXPECT_EQ(mesh_->dynamic, dynamic);
    ASSERT_NE(MeshLockVertexBuffer(*mesh_, 10), nullptr);
    MeshUnlockVertexBuffer(*mesh_);
    ASSERT_NE(MeshLockIndexBuffer(*mesh_, 6), nullptr);
    MeshUnlockIndexBuffer(*mesh_);
    EXPECT_EQ(d3d9test::LiveResources(D3DPOOL_DEFAULT), live + 2);
  }
  for (int i = 0; i < 2; ++i) {
    MeshReleaseVertexBuffer(*mesh_);
    MeshReleaseIndexBuffer(*mesh_);
  }
  EXPECT_EQ(d3d9test::LiveResources(D3DPOOL_DEFAULT), live);
  EXPECT_EQ(MeshLockVertexBuffer(*mesh_, 4), nullptr);
  EXPECT_EQ(MeshLockIndexBuffer(*mesh_, 6), nullptr);
  // Destroying a mesh gives its buffers back.
  MeshCreateVertexBuffer(4, *mesh_, renderer(), 0);
  MeshCreateIndexBuffer(renderer(), *mesh_, 6, 0);
  MeshDestroy(mesh_);
  mesh_ = nullptr;
  EXPECT_EQ(d3d9test::LiveResources(D3DPOOL_DEFAULT), live);
}

TEST_F(MeshBuffersTest, FailedCreationLeavesNoBuffer) {
  d3d9test::FailCall("CreateVertexBuffer", D3DERR_OUTOFVIDEOMEMORY);
  MeshCreateVertexBuffer(4, *mesh_, renderer(), 1);
  EXPECT_EQ(mesh_->vertexBuffer, nullptr);
  EXPECT_EQ(MeshLockVertexBuffer(*mesh_, 4), nullptr);
}

}  // namespace
}  // namespace rendertest

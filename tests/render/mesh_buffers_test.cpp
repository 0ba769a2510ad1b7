#include "render/mesh_buffers.h"

#include <gtest/gtest.h>

#include "mesh/mesh.h"
#include "platform/testing.h"
#include "render_fixture.h"

namespace rendertest {
namespace {

class MeshBuffersTest : public RenderTest {
 protected:
  void TearDown() override {
    MeshDestroy(mesh_);
    RenderTest::TearDown();
  }
  Mesh* mesh_ = nullptr;
};

TEST_F(MeshBuffersTest, UsageAndLockFlagsFollowTheDynamicFlag) {
  mesh_ = MeshCreate(&device_, 0, 0);
  d3d9test::SetTrace(true);
  MeshCreateVertexBuffer(10, *mesh_, renderer(), 1);
  MeshCreateIndexBuffer(renderer(), *mesh_, 6, 1);
  EXPECT_EQ(mesh_->dynamic, 1);
  ASSERT_NE(MeshLockVertexBuffer(*mesh_, 10), nullptr);
  MeshUnlockVertexBuffer(*mesh_);
  ASSERT_NE(MeshLockIndexBuffer(*mesh_, 6), nullptr);
  MeshUnlockIndexBuffer(*mesh_);
  // Static again: the flag is stored as 0 and the old buffers are not leaked.
  int live = d3d9test::LiveResources(D3DPOOL_DEFAULT);
  MeshCreateVertexBuffer(10, *mesh_, renderer(), 0);
  MeshCreateIndexBuffer(renderer(), *mesh_, 6, 0);
  EXPECT_EQ(mesh_->dynamic, 0);
  EXPECT_EQ(d3d9test::LiveResources(D3DPOOL_DEFAULT), live);
  MeshLockVertexBuffer(*mesh_, 10);
  MeshUnlockVertexBuffer(*mesh_);

  std::vector<std::string> creates = d3d9test::TraceOf("CreateVertexBuffer");
  ASSERT_EQ(creates.size(), 2u);
  EXPECT_EQ(creates[0].rfind("CreateVertexBuffer(560, 520, 0, 0", 0), 0u) << creates[0];
  EXPECT_EQ(creates[1].rfind("CreateVertexBuffer(560, 8, 0, 0", 0), 0u) << creates[1];
  std::vector<std::string> locks = d3d9test::TraceOf("Lock");
  ASSERT_EQ(locks.size(), 3u);
  EXPECT_NE(locks[0].find("8192"), std::string::npos) << locks[0];  // DISCARD
  EXPECT_NE(locks[1].find("8192"), std::string::npos) << locks[1];
  EXPECT_EQ(locks[2].find("8192"), std::string::npos) << locks[2];
}

TEST_F(MeshBuffersTest, ReleasesTestAndClearTheirFields) {
  mesh_ = MeshCreate(&device_, 0, 0);
  int live = d3d9test::LiveResources(D3DPOOL_DEFAULT);
  MeshCreateVertexBuffer(4, *mesh_, renderer(), 0);
  MeshCreateIndexBuffer(renderer(), *mesh_, 6, 0);
  EXPECT_EQ(d3d9test::LiveResources(D3DPOOL_DEFAULT), live + 2);
  for (int i = 0; i < 2; ++i) {
    MeshReleaseVertexBuffer(*mesh_);
    MeshReleaseIndexBuffer(*mesh_);
  }
  EXPECT_EQ(mesh_->vertexBuffer, nullptr);
  EXPECT_EQ(mesh_->indexBuffer, nullptr);
  EXPECT_EQ(d3d9test::LiveResources(D3DPOOL_DEFAULT), live);
  // Without buffers the locks give nothing to write into.
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
  mesh_ = MeshCreate(&device_, 0, 0);
  d3d9test::FailCall("CreateVertexBuffer", D3DERR_OUTOFVIDEOMEMORY);
  MeshCreateVertexBuffer(4, *mesh_, renderer(), 1);
  EXPECT_EQ(mesh_->vertexBuffer, nullptr);
  EXPECT_EQ(MeshLockVertexBuffer(*mesh_, 4), nullptr);
}

}  // namespace
}  // namespace rendertest

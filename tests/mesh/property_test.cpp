// Random operands in range: whatever a generator builds and the operators then do to it, no
// NaN or infinity appears and every index stays inside the vertex array.
#include <gtest/gtest.h>

#include <random>

#include "mesh/generators.h"
#include "mesh/operators.h"
#include "mesh_test_util.h"
#include "texgen/texture.h"

namespace {

class RandomMeshes {
 public:
  explicit RandomMeshes(uint32_t seed) : engine_(seed) {
    TextureInitScratch(&texture_, 8, 4);
    for (uint32_t i = 0; i < 32; ++i) texture_.pixels[i] = static_cast<uint32_t>(engine_());
  }
  ~RandomMeshes() { TextureFreeImage(&texture_); }

  // Lengths sometimes exactly 0, as a script may give them.
  float Length(float high) { return Chance(0.1) ? 0.0f : Real(0.0f, high); }
  float Real(float low, float high) {
    return std::uniform_real_distribution<float>(low, high)(engine_);
  }
  uint32_t Count(uint32_t high) {
    return std::uniform_int_distribution<uint32_t>(0, high)(engine_);
  }
  bool Chance(double p) { return std::bernoulli_distribution(p)(engine_); }

  Mesh* Generate() {
    switch (Count(8)) {
      case 0:
        return MeshCreateShapeFromTables(Real(-2, 2), Real(-2, 2), Real(-2, 2), nullptr, nullptr);
      case 1:
        return MeshCreateCylinder(Length(3), Length(3), Count(5), Count(12), nullptr, nullptr);
      case 2: return MeshCreateCone(Length(3), Length(3), Count(5), Count(12), nullptr, nullptr);
      case 3: return MeshCreateSphere(Length(3), Count(10), nullptr, nullptr);
      case 4:
        return MeshCreateTaperedBox(Real(-3, 3), Real(-3, 3), Real(-3, 3), Real(0, 2), nullptr,
                                    nullptr);
      case 5: return MeshCreatePyramid(Real(-3, 3), Real(-3, 3), Real(-3, 3), nullptr, nullptr);
      case 6:
        return MeshCreateHelix(Length(3), Length(1), Count(3), Real(-1, 1), Count(8), Count(8),
                               nullptr, nullptr);
      case 7: return MeshCreateTorus(Length(3), Length(1), Count(10), Count(8), nullptr, nullptr);
      default:
        return MeshCreateSheet(Length(3), Length(3), Count(8), Count(8), Chance(0.5), Chance(0.5),
                               nullptr, nullptr);
    }
  }

  void Operate(Mesh& mesh) {
    switch (Count(9)) {
      case 0: MeshTranslate(mesh, Real(-5, 5), Real(-5, 5), Real(-5, 5)); break;
      case 1: MeshScale(mesh, Real(-3, 3), Real(-3, 3), Real(-3, 3)); break;
      case 2: MeshRotate(mesh, Real(-360, 360), Real(-360, 360), Real(-360, 360)); break;
      case 3: Chance(0.5) ? MeshFlip(mesh) : MeshNegate(mesh); break;
      case 4: MeshJitter(mesh, Length(1), Length(1), Length(1)); break;
      case 5:
        MeshAttract(mesh, Real(-2, 2), Real(-2, 2), Real(-2, 2), Length(3), Chance(0.5));
        break;
      case 6: MeshDisplace(mesh, &texture_, Count(2), Real(-2, 2)); break;
      case 7:
        MeshExtrudeFacesJittered(mesh, Real(-2, 2), Real(-2, 2), Real(-90, 90), Real(-90, 90),
                                 Real(-90, 90), Length(1), Length(1), Length(45), Length(45),
                                 Length(45), Count(2), Count(3), Chance(0.3));
        break;
      case 8: MeshScaleTexCoords(mesh, Real(-4, 4), Real(-4, 4)); break;
      default: {
        Mesh* other = Generate();
        MeshMerge(mesh, *other);
        MeshDestroy(other);
      }
    }
  }

 private:
  std::mt19937 engine_;
  Texture texture_;
};

TEST(MeshProperties, RandomGeneratorsAndOperatorsStaySound) {
  RandomMeshes random(20261206);
  crt::srand(99);
  for (int round = 0; round < 2000; ++round) {
    Mesh* mesh = random.Generate();
    const uint32_t operations = random.Count(3);
    for (uint32_t i = 0; i < operations; ++i) random.Operate(*mesh);
    MeshComputeTangents(*mesh);
    meshtest::ExpectSound(*mesh);
    Mesh* copy = MeshClone(*mesh);
    EXPECT_EQ(meshtest::HashGeometry(*copy), meshtest::HashGeometry(*mesh));
    MeshDestroy(copy);
    MeshDestroy(mesh);
    if (HasFatalFailure()) {
      ADD_FAILURE() << "round " << round;
      return;
    }
  }
}

}  // namespace

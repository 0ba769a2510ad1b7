// The group builder's replicators: grids with seeded jitter, plane grids, rings, paths and
// reflected copies. Every copy is a fresh clone of the template placed by one matrix M built
// from identity with pre-multiplying translate / rotate (degrees) / scale.
#include "platform/crt.h"
#include "scene/node.h"

namespace {

constexpr float kRandScale = 3.0518509e-05f;  // 1 / 32767

struct Placement {
  Vec3 position{0.0f, 0.0f, 0.0f};
  Vec3 rotation{0.0f, 0.0f, 0.0f};  // degrees
  Vec3 scale{1.0f, 1.0f, 1.0f};
};

// M = T(position) then R(rotation) then S(scale), each onto the front.
Matrix PlacementMatrix(const Placement& p) {
  Matrix m;
  MatrixInit(m);
  MatrixTranslate(m, p.position.x, p.position.y, p.position.z);
  MatrixRotateXYZ(m, p.rotation.x, p.rotation.y, p.rotation.z);
  MatrixScale(m, p.scale.x, p.scale.y, p.scale.z);
  return m;
}

void AddCopy(GroupNode& group, SceneNode& templ, const Matrix& m) {
  SceneNode* clone = SceneNodeClone(templ);
  if (!clone) return;
  SceneNodeResetMatrix(*clone);
  SceneNodeTransform(*clone, m);
  GroupNodeAddChild(group, clone);
}

// The template reset and moved to t.
void PlaceTemplate(SceneNode& templ, float x, float y, float z) {
  Matrix m;
  MatrixMakeTranslation(m, x, y, z);
  SceneNodeResetMatrix(templ);
  SceneNodeTransform(templ, m);
}

// rand() x (1/32767) x a - a x 0.5 when the flag is set (one draw), else 0 (no draw).
float Jitter(uint8_t flag, float a) {
  if (!flag) return 0.0f;
  return static_cast<float>(crt::rand()) * kRandScale * a - a * 0.5f;
}

Placement GridPlacement(const GridCopies& g, int32_t i, int32_t j, int32_t k, const Vec3& off) {
  Placement p;
  float rx = Jitter(g.jx, g.jitterPosition), ry = Jitter(g.jy, g.jitterPosition),
        rz = Jitter(g.jz, g.jitterPosition);
  p.rotation = {Jitter(g.jx, g.jitterRotation), Jitter(g.jy, g.jitterRotation),
                Jitter(g.jz, g.jitterRotation)};
  float s0 = Jitter(g.jx, g.jitterScale), s1 = Jitter(g.jy, g.jitterScale),
        s2 = Jitter(g.jz, g.jitterScale);
  p.position = {static_cast<float>(i) * g.sx - off.x + rx,
                static_cast<float>(j) * g.sy - off.y + ry,
                static_cast<float>(k) * g.sz - off.z + rz};
  p.scale = {1.0f + s0, 1.0f + s1, 1.0f + s2};
  return p;
}

bool HasMatrix(SceneNode& node) { return SceneNodeMatrix(node) != nullptr; }

}  // namespace

void GroupNodeAddGridCopies(GroupNode& group, SceneNode& templ, const GridCopies& g) {
  if (!HasMatrix(templ)) return;
  Vec3 off{static_cast<float>(g.nx) * g.sx * 0.5f, static_cast<float>(g.ny) * g.sy * 0.5f,
           static_cast<float>(g.nz) * g.sz * 0.5f};
  PlaceTemplate(templ, -off.x, -off.y, -off.z);
  if (g.seed > 0) crt::srand(static_cast<uint32_t>(g.seed - 1));
  for (int32_t i = 0; i < g.nx; ++i) {
    for (int32_t j = 0; j < g.ny; ++j) {
      for (int32_t k = 0; k < g.nz; ++k) {
        if (i == 0 && j == 0 && k == 0) continue;
        AddCopy(group, templ, PlacementMatrix(GridPlacement(g, i, j, k, off)));
      }
    }
  }
}

void GroupNodeAddPlaneGridCopies(GroupNode& group, SceneNode& templ, float sx, float sy, int32_t nx,
                                 int32_t ny, float a, float b) {
  if (!HasMatrix(templ)) return;
  float offX = static_cast<float>(nx) * sx * 0.5f;
  float offY = static_cast<float>(ny) * sy * 0.5f;
  PlaceTemplate(templ, -offX, -offY, 0.0f);
  for (int32_t i = 0; i < nx; ++i) {
    for (int32_t j = 0; j < ny; ++j) {
      if (i == 0 && j == 0) continue;
      Placement p;
      p.position = {static_cast<float>(i) * sx - offX, static_cast<float>(j) * sy - offY, 0.0f};
      p.rotation = {static_cast<float>(i) * a, static_cast<float>(j) * b, 0.0f};
      AddCopy(group, templ, PlacementMatrix(p));
    }
  }
}

void GroupNodeAddRingCopies(GroupNode& group, SceneNode& templ, float r, float a, float b,
                            int32_t n) {
  if (!HasMatrix(templ)) return;
  PlaceTemplate(templ, 0.0f, 0.0f, r);
  if (n <= 0) return;
  float step = 360.0f / static_cast<float>(n + 1);
  for (int32_t k = 1; k <= n; ++k) {
    float fk = static_cast<float>(k);
    Matrix m;
    MatrixInit(m);
    MatrixRotateXYZ(m, fk * a, fk * step, fk * b);
    MatrixTranslate(m, 0.0f, 0.0f, r);
    AddCopy(group, templ, m);
  }
}

void GroupNodeAddPathCopies(GroupNode& group, SceneNode& templ, const Vec3& d, const Vec3& q,
                            const Vec3& f, uint8_t turn, int32_t n) {
  if (!HasMatrix(templ)) return;
  Placement p;
  Vec3 step = d;
  for (int32_t k = 0; k < n; ++k) {
    Vec3Add(p.position, p.position, step);
    Vec3Add(p.rotation, p.rotation, q);
    Vec3Mul(p.scale, f);
    Vec3Mul(step, f);
    if (turn) {
      step = d;
      Vec3RotateEulerDeg(step, p.rotation.x, p.rotation.y, p.rotation.z);
    }
    AddCopy(group, templ, PlacementMatrix(p));
  }
}

void GroupNodeAddReflectedCopies(GroupNode& group, const Vec3& p) {
  // Only the children present at the start: the copies are appended behind them.
  uint32_t remaining = group.children->count;
  for (SceneNode* child : ListItems<SceneNode>(*group.children)) {
    if (remaining-- == 0) break;
    if (!child || !HasMatrix(*child)) continue;
    Vec4 pos = SceneNodeGetPosition(*child);
    SceneNode* clone = SceneNodeClone(*child);
    if (!clone) continue;
    Vec3 dist{pos.x - p.x, pos.y - p.y, pos.z - p.z};
    Matrix m;
    MatrixInit(m);
    MatrixTranslate(m, p.x, p.y, p.z);
    MatrixTranslate(m, -dist.x, -dist.y, -dist.z);
    MatrixRotateXYZ(m, 180.0f, 180.0f, 180.0f);
    SceneNodeTransform(*clone, m);
    GroupNodeAddChild(group, clone);
  }
}

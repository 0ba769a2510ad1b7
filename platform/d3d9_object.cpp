// Direct3D stand-in: reference counts, the live-object list, call trace and fault injection.

#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "platform/d3d9_internal.h"
#include "platform/testing_d3d9.h"

uint64_t g_d3d9GlCalls = 0;

namespace {

D3D9Object* g_firstLive = nullptr;
uint32_t g_serial = 0;

struct Fault {
  HRESULT result;
  int count, skip;
};
std::map<std::string, Fault> g_faults;
bool g_tracing = false;
std::vector<std::string> g_trace;

void Destroy(D3D9Object* object) {
  switch (object->kind) {
    case kKindDevice: D3D9DestroyDevice(static_cast<IDirect3DDevice9*>(object)); break;
    case kKindDirect3D: D3D9DestroyDirect3D(static_cast<IDirect3D9*>(object)); break;
    case kKindDeclaration:
    case kKindVertexShader:
    case kKindPixelShader: D3D9DestroyShaderObject(object); break;
    default: D3D9DestroyResource(object); break;
  }
}

// Surfaces of a texture count on the texture.
D3D9Object* Owner(D3D9Object* object) { return object->container ? object->container : object; }

}  // namespace

// ---- Reference counts ---------------------------------------------------------------------

ULONG D3D9Object::AddRef() { return ++Owner(this)->refs; }

namespace {

// Frees an object that neither the program nor the device's state holds any more.
void DestroyIfUnheld(D3D9Object* owner) {
  if (owner->refs == 0 && owner->deviceRefs == 0 && !owner->implicit) Destroy(owner);
}

}  // namespace

ULONG D3D9Object::Release() {
  D3D9Object* owner = Owner(this);
  if (owner->refs == 0) return 0;  // an implicit object, or one only the device holds
  const ULONG left = --owner->refs;
  DestroyIfUnheld(owner);
  return left;
}

void D3D9BindRef(D3D9Object* object) {
  if (object) ++Owner(object)->deviceRefs;
}

void D3D9UnbindRef(D3D9Object* object) {
  if (!object) return;
  D3D9Object* owner = Owner(object);
  --owner->deviceRefs;
  DestroyIfUnheld(owner);
}

// ---- Live list ------------------------------------------------------------------------------

void D3D9ObjectInit(D3D9Object* object, D3D9Kind kind, IDirect3DDevice9* device, D3DPOOL pool) {
  object->refs = 1;
  object->deviceRefs = 0;
  object->serial = ++g_serial;
  object->kind = kind;
  object->pool = static_cast<uint8_t>(pool);
  object->implicit = false;
  object->container = nullptr;
  object->device = device;
  object->prevLive = nullptr;
  object->nextLive = g_firstLive;
  if (g_firstLive) g_firstLive->prevLive = object;
  g_firstLive = object;
}

void D3D9ObjectUnlink(D3D9Object* object) {
  if (object->prevLive) object->prevLive->nextLive = object->nextLive;
  if (object->nextLive) object->nextLive->prevLive = object->prevLive;
  if (g_firstLive == object) g_firstLive = object->nextLive;
  object->prevLive = object->nextLive = nullptr;
}

D3D9Object* D3D9FirstLive() { return g_firstLive; }

// ---- Trace and faults -----------------------------------------------------------------------

HRESULT D3D9TakeFault(const char* call) {
  if (g_faults.empty()) return D3D_OK;
  auto it = g_faults.find(call);
  if (it == g_faults.end()) return D3D_OK;
  Fault& fault = it->second;
  if (fault.skip > 0) {
    --fault.skip;
    return D3D_OK;
  }
  const HRESULT result = fault.result;
  if (--fault.count <= 0) g_faults.erase(it);
  return result;
}

bool D3D9Tracing() { return g_tracing; }
void D3D9TraceLine(std::string line) { g_trace.push_back(std::move(line)); }

void D3D9TraceArg(std::string& line, const D3D9Object* object) {
  line += object ? "#" + std::to_string(object->serial) : "null";
}
void D3D9TraceArg(std::string& line, const void* pointer) { line += pointer ? "ptr" : "null"; }
void D3D9TraceArg(std::string& line, double value) {
  char text[32];
  std::snprintf(text, sizeof text, "%g", value);
  line += text;
}
void D3D9TraceArg(std::string& line, long long value) { line += std::to_string(value); }
void D3D9TraceArg(std::string& line, unsigned long long value) { line += std::to_string(value); }

namespace d3d9test {

void SetTrace(bool on) {
  g_tracing = on;
  g_trace.clear();
}
const std::vector<std::string>& Trace() { return g_trace; }
std::vector<std::string> TraceOf(const std::string& name) {
  std::vector<std::string> lines;
  for (const std::string& line : g_trace)
    if (line.compare(0, name.size() + 1, name + "(") == 0) lines.push_back(line);
  return lines;
}
void ClearTrace() { g_trace.clear(); }

void FailCall(const std::string& call, HRESULT result, int count, int skip) {
  g_faults[call] = Fault{result, count, skip};
}

int LiveResources(D3DPOOL pool) {
  int count = 0;
  for (D3D9Object* o = g_firstLive; o; o = o->nextLive) {
    const bool resource = o->kind >= kKindTexture && o->kind <= kKindIndexBuffer;
    if (resource && !o->implicit && o->pool == pool) ++count;
  }
  return count;
}

int LiveObjects() {
  int count = 0;
  for (D3D9Object* o = g_firstLive; o; o = o->nextLive) count += o->implicit ? 0 : 1;
  return count;
}

uint64_t GlCalls() { return g_d3d9GlCalls; }

}  // namespace d3d9test

// Shared by ResetHooks (d3d9_direct3d.cpp keeps the adapter overrides).
void D3D9ClearFaultsAndTrace() {
  g_faults.clear();
  g_trace.clear();
  g_tracing = false;
}

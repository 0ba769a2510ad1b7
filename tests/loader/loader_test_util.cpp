#include "loader_test_util.h"

#include "loader/builders.h"
#include "render/texture_upload.h"
#include "shell/device_startup.h"

namespace loadertest {

namespace {

template <class T, class Free>
void FreeAll(List* list, Free free) {
  for (T* item : ListItems<T>(*list))
    if (item) free(item);
  ListDestroy(list);
}

// Records whose parts are finished by `Cleanup` before the record itself is freed.
template <class T, void (*Cleanup)(T&)>
void CleanUpAndFree(T* record) {
  Cleanup(*record);
  crt::AlignedFree(record);
}

void FreeTrack(AnimTrack* track) {
  FreeAll<TrackKey>(track->keys, [](TrackKey* key) {
    crt::AlignedFree(key->pose.position);
    crt::AlignedFree(key->pose.rotation);
    crt::AlignedFree(key);
  });
  FreeAll<TransformProgram>(track->programs, TransformProgramDestroy);
  crt::AlignedFree(track);
}

void FreeTimeline(Timeline* timeline) {
  if (!timeline) return;
  FreeAll<Clip>(timeline->clips, crt::AlignedFree);
  FreeAll<FontEntry>(timeline->fonts->fonts, [](FontEntry* entry) {
    crt::AlignedFree(entry->name);
    crt::AlignedFree(entry);
  });
  ListDestroy(timeline->fonts->second);
  crt::AlignedFree(timeline->fonts);
  crt::AlignedFree(timeline->sync);
  if (TimelineInstance == timeline) TimelineInstance = nullptr;
  crt::AlignedFree(timeline);
}

}  // namespace

Device* RecordDevice() {
  static Device device{};
  if (!device.modes) DeviceInit(&device);
  device.width = 64;
  device.height = 48;
  return &device;
}

void FreeReader(SceneReader* r) {
  if (!r) return;
  FreeAll<Texture>(r->lists[kListTextures], [r](Texture* t) {
    if (r->device) TextureRelease(t, *r->device);  // gives back a render target's record
    TextureDestroy(t);
  });
  FreeAll<Material>(r->lists[kListMaterials], crt::AlignedFree);
  FreeAll<Model>(r->lists[kListModels], CleanUpAndFree<Model, ModelDestroyContents>);
  FreeAll<GroupNode>(r->lists[kListGroups], GroupNodeDestroy);
  FreeAll<Light>(r->lists[kListLights], CleanUpAndFree<Light, LightCleanup>);
  FreeAll<Camera>(r->lists[kListCameras], CleanUpAndFree<Camera, CameraCleanup>);
  FreeAll<Kind3Node>(r->lists[kListKind3Nodes], Kind3NodeDestroy);
  FreeAll<AnimTrack>(r->lists[kListTracks], FreeTrack);
  ListDestroy(r->lists[kListUnused]);
  FreeAll<Scene>(r->lists[kListScenes], SceneDestroy);
  ListDestroy(r->fonts);  // the entries belong to the timeline's font table
  FreeTimeline(r->timeline);
  crt::AlignedFree(r->copy);
  crt::AlignedFree(r);
}

}  // namespace loadertest

#include "tools/soak/live_objects.h"

#include <QAbstractEventDispatcher>
#include <QObject>
#include <QThread>

#include <mutex>
#include <unordered_set>

// Qt's hook table (qhooks_p.h): exported by Qt Core for debugging tools.
extern "C" Q_DECL_IMPORT quintptr qtHookData[];

namespace quarn::soak {

namespace {

// The indices of qhooks_p.h, stable since hook data version 1.
enum HookIndex { HookDataVersion = 0, HookDataSize = 1, AddQObject = 3, RemoveQObject = 4 };
using ObjectHook = void (*)(QObject*);

struct Registry {
  std::mutex mutex;
  std::unordered_set<QObject*> objects;
  ObjectHook previous_add = nullptr;
  ObjectHook previous_remove = nullptr;
};

// Never destroyed: objects may go after main() returns.
Registry& registry() {
  static Registry* r = new Registry;
  return *r;
}

void added(QObject* object) {
  Registry& r = registry();
  {
    const std::lock_guard lock(r.mutex);
    r.objects.insert(object);
  }
  if (r.previous_add) r.previous_add(object);
}

void removed(QObject* object) {
  Registry& r = registry();
  {
    const std::lock_guard lock(r.mutex);
    r.objects.erase(object);
  }
  if (r.previous_remove) r.previous_remove(object);
}

}  // namespace

bool follow_live_objects() {
  if (qtHookData[HookDataVersion] < 1 || qtHookData[HookDataSize] <= RemoveQObject) return false;
  Registry& r = registry();
  r.previous_add = reinterpret_cast<ObjectHook>(qtHookData[AddQObject]);
  r.previous_remove = reinterpret_cast<ObjectHook>(qtHookData[RemoveQObject]);
  qtHookData[AddQObject] = reinterpret_cast<quintptr>(&added);
  qtHookData[RemoveQObject] = reinterpret_cast<quintptr>(&removed);
  return true;
}

int live_object_count() {
  Registry& r = registry();
  const std::lock_guard lock(r.mutex);
  return int(r.objects.size());
}

int live_timer_count() {
  QAbstractEventDispatcher* dispatcher = QAbstractEventDispatcher::instance();
  if (!dispatcher) return 0;
  Registry& r = registry();
  const std::lock_guard lock(r.mutex);
  int timers = 0;
  for (QObject* object : r.objects) {
    if (object->thread() == QThread::currentThread()) timers += int(dispatcher->registeredTimers(object).size());
  }
  return timers;
}

}  // namespace quarn::soak

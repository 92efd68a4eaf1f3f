// The library's application object: one per loaded library, started when the loading process
// loads the library and ended when it unloads it.
#pragma once
#include <span>

#include "band/ComModule.h"

class CTesselApp {
 public:
  // Runs InitInstance.
  explicit CTesselApp(std::span<const ObjectMapEntry> objectMap);
  // Runs ExitInstance.
  ~CTesselApp();
  CTesselApp(const CTesselApp&) = delete;
  CTesselApp& operator=(const CTesselApp&) = delete;

  // Initialises the module object with the object map, the library's instance and the type
  // library's LIBID, and enters the component runtime. A failure shows "InitInstance failed"
  // and answers false; the library then serves no class.
  bool InitInstance();
  // Shuts the module object down and leaves the component runtime.
  void ExitInstance();

 private:
  std::span<const ObjectMapEntry> objectMap_;
};

// What reading a value out of a definition needs from the run: the log for reads that fail,
// the properties that "[Name]" stands for and the culture texts that "[123]" stands for.
#pragma once

class LogFile;
class Localization;
class PropertyMap;

struct ReadContext {
  LogFile& log;
  const PropertyMap& properties;
  const Localization* localization = nullptr;  // none before the culture library is loaded
};

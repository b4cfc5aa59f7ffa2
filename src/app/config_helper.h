// config.xml in the client data folder: remembers the day of the last online update check,
// so that an installed client is checked at most once per calendar day.
#pragma once

#include <string>

#include <boost/date_time/gregorian/gregorian_types.hpp>

class CConfigHelper {
 public:
  static CConfigHelper* GetInstance();
  virtual ~CConfigHelper() = default;

  // Stores the folder, narrow text in the system code page (Chinese folder names included),
  // and makes sure it holds config.xml and "Cache".
  void SetConfigDir(const std::string& folder);

  // True when no check was recorded for today (records today); false when one was, or the
  // recorded day lies in the future. Any file it cannot read or write answers true.
  bool IsUpdateDue();
  bool IsUpdateDue(const boost::gregorian::date& today);

  // folder + "\config.xml" (the native separator on the host build).
  std::string ConfigFilePath() const;

 private:
  std::string m_configDir = ".";
};

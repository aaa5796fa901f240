// Installing a package into a game's data folder, removing it again, and
// listing what is installed. An install changes the archives as one: each
// changed archive is written as a new file beside it, and only when all
// are written (and what the uninstall needs is kept, see InstallRecord.h)
// are they moved into place, the record last; a failure at any point
// leaves every archive as it was. Uninstalls go in the reverse order of
// the installs that changed the same archives.
#pragma once

#include <string>
#include <vector>

#include "common/Progress.h"
#include "common/Status.h"
#include "package/InstallPlan.h"
#include "package/InstallRecord.h"

namespace zorv {

struct InstallResult {
  InstallPlan Plan;
  InstalledPackage Installed;  // Number 0 when nothing was changed
};

// Applies the package to the archives of data_dir (see InstallPlan for
// which entries go where). A package already installed there is refused:
// it would be one install too many to tell apart when it is removed.
Status InstallPackage(const std::string& package_path, const std::string& data_dir,
                      InstallResult& result, const ProgressSink& progress = {});

// Restores every archive the install of this package changed to its bytes
// before that install. Refused, with nothing changed, when the package is
// not installed there, when a later install changed one of the same
// archives (those are named: to be removed first), or when an archive is
// no longer what the install left.
Status UninstallPackage(const std::string& package_path, const std::string& data_dir,
                        InstalledPackage& removed, const ProgressSink& progress = {});

// "3 "Castle walls" (castle.mpi): graphics.drs, interfac.drs"
std::string DescribeInstalled(const InstalledPackage& package);

}  // namespace zorv

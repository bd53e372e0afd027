#!/usr/bin/env bash
# A user's first steps with the BioapiData package, from a folder that holds it:
# dotnet new console, dotnet add package, dotnet run of Program.cs beside this script.
# Usage: run.sh PACKAGE_DIR TEST_DATA_DIR WORK_DIR. Exits 77 (skipped) when
# PACKAGE_DIR holds no package (the package test was skipped).
set -euo pipefail
package_dir=$1 data_dir=$2 work=$3
here=$(cd "$(dirname "$0")" && pwd)

shopt -s nullglob
packages=("$package_dir"/BioapiData.*.nupkg)
if ((${#packages[@]} != 1)); then
  echo "SKIPPED: no BioapiData package in $package_dir (the test dotnet_package made none)"
  exit 77
fi
version=$(basename "${packages[0]}" .nupkg)
version=${version#BioapiData.}

export DOTNET_CLI_TELEMETRY_OPTOUT=1 DOTNET_NOLOGO=1
# A package folder of its own, so that a package rebuilt under the same version is the one
# restored, never a copy cached from an earlier run.
export NUGET_PACKAGES=$work/packages
rm -rf "$work"
mkdir -p "$work"
cd "$work"
dotnet new console --output app --name app >/dev/null
cp "$here/Program.cs" app/Program.cs
dotnet add app/app.csproj package BioapiData --version "$version" --source "$package_dir"
dotnet run --project app -c Release --disable-build-servers -- "$data_dir/full_record.bir"
dotnet run --project app -c Release --no-build -- --missing-library
dotnet run --project app -c Release --no-build -- --missing-inspection "$data_dir/full_record.bir"

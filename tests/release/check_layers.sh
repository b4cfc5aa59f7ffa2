#!/usr/bin/env bash
# Fails when a source file includes a folder it may not use: each folder of src/ may include
# itself and the folders listed for it below (docs/architecture.md, "Who may use whom").
set -euo pipefail
src=${1:-$(dirname "$0")/../../src}

declare -A allowed=(
  [base]="base"
  [net]="base net"
  [package]="base net package"
  [system]="base package system"
  [toolkit]="base toolkit"
  [ui]="base net package system toolkit ui"
  [app]="base net package system toolkit ui app"
)

status=0
while IFS=: read -r file _ include; do
  folder=${file#"$src"/}
  folder=${folder%%/*}
  used=$(sed -E 's/^[[:space:]]*#[[:space:]]*include[[:space:]]+"([^/"]+)\/.*/\1/' <<<"$include")
  if [ -z "${allowed[$folder]+set}" ]; then
    echo "$file: folder $folder has no place in the floors" >&2
    status=1
  elif [[ " ${allowed[$folder]} " != *" $used "* ]]; then
    echo "$file: $folder may not include $used ($include)" >&2
    status=1
  fi
done < <(grep -rnE '^[[:space:]]*#[[:space:]]*include[[:space:]]+"[^/"]+/' "$src" --include='*.h' --include='*.cpp')
[ $status -eq 0 ] && echo "every include of $src goes to its own folder or a floor below"
exit $status

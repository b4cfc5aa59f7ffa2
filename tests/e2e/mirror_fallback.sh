#!/usr/bin/env bash
# A first install whose entry lists two download URLs, the last (tried first) on a server
# that is down: the package comes from the other one, the failed mirror is logged, and the
# install completes.
# Usage: mirror_fallback.sh WINDOWS_TREE HOST_TREE [NEXT_INSTALLER]
set -u
source "$(dirname "$0")/../support/installer_drive.sh"
drive_test_begin "$@"

publish_release "$sample/release-1.0.0.0" 1.0.0.0 "$work/published" || exit 1
working="http://$service_host:$service_port/releases/1.0.0.0/"
dead="http://127.0.0.1:$(free_port)/releases/1.0.0.0/"
python3 - "$work/published/entry.json" "$working" "$dead" <<'PY'
import json, sys
path, working, dead = sys.argv[1:4]
entry = json.load(open(path, encoding="utf-8"))
entry["DownloadUrls"] = [working, dead]
json.dump(entry, open(path, "w", encoding="utf-8"), ensure_ascii=False)
PY
service_start "$work/published" || exit 1
package=$(published_file "$work/published" TavoraStudent .zip.gz)

install_completes "$sample/release-1.0.0.0" || exit 1
check "the package came from the working mirror, once" test "$(fetched_files | tr '\n' ' ')" = "${package##*/} "
check "quill.log names the failed mirror and the next" \
  grep -qF "mirror failed: $dead${package##*/}; next: $working${package##*/}" "$run_dir/quill.log"
tr -d '\r' < "$run_dir/quill.log" | sed 's/^/     quill.log: /'
drive_finish

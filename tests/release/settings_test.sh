#!/usr/bin/env bash
# Build settings: the defaults configure; a wrong length or character stops the configure
# step with a message that names the setting.
set -u
project=$(dirname "$0")/settings_project
failures=0
try() {  # try EXPECT(ok|fail) PATTERN -DSETTING=VALUE
  local expect=$1 pattern=$2; shift 2
  local dir out rc
  dir=$(mktemp -d)
  out=$(cmake -S "$project" -B "$dir" "$@" 2>&1); rc=$?
  rm -rf "$dir"
  if [ "$expect" = ok ] && [ $rc -eq 0 ]; then return; fi
  if [ "$expect" = fail ] && [ $rc -ne 0 ] && grep -q "$pattern" <<< "$out"; then return; fi
  echo "FAIL: $* (exit $rc)"; echo "$out" | tail -5
  failures=$((failures + 1))
}
try ok ""
try ok "" -DTAVORA_SERVICE_HOST=update.example.com:8080 -DTAVORA_SIGN_SALT='Abcdefghijkl1:'
try fail TAVORA_SIGN_SALT -DTAVORA_SIGN_SALT='short:'
try fail TAVORA_SIGN_SALT -DTAVORA_SIGN_SALT='NoColonAtEndXY'
try fail TAVORA_SIGN_SALT -DTAVORA_SIGN_SALT='Has space  12:'
try fail TAVORA_DES_KEY -DTAVORA_DES_KEY=00112233
try fail TAVORA_DES_KEY -DTAVORA_DES_KEY=zz8f21c47be05d9612fe4c07a35b8e6d19c2f0847ab3e561
try fail TAVORA_TIME_HOST -DTAVORA_TIME_HOST='http://127.0.0.1/'
try fail TAVORA_WEB_HOST -DTAVORA_WEB_HOST=''
try fail TAVORA_INSTALLER_VERSION -DTAVORA_INSTALLER_VERSION=1.0
try fail TAVORA_INSTALLER_VERSION -DTAVORA_INSTALLER_VERSION=1.0.0.70000
key=$(cat "$(dirname "$0")/../support/keys/release-test-key.pub.hex")
try ok "" -DTAVORA_RELEASE_PUBLIC_KEY="$key"
try fail TAVORA_RELEASE_PUBLIC_KEY -DTAVORA_RELEASE_PUBLIC_KEY="${key:0:128}"
try fail TAVORA_RELEASE_PUBLIC_KEY -DTAVORA_RELEASE_PUBLIC_KEY="03${key:2}"
try fail TAVORA_RELEASE_PUBLIC_KEY -DTAVORA_RELEASE_PUBLIC_KEY="${key:0:129}g"
[ $failures -eq 0 ] && echo "all settings checks passed"
[ $failures -eq 0 ]

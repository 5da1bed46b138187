#!/bin/sh
# Fails when PROGRAM --help lists an option that its manual page source PAGE
# does not describe as "*--option*".
#   check-options.sh PROGRAM PAGE
set -eu
program=$1
page=$2
help=$(QT_QPA_PLATFORM=offscreen "$program" --help)
# Option lines start with two spaces and a dash; the names end where the
# value or the description begins.
options=$(printf '%s\n' "$help" | grep -E '^  -' | sed -E 's/ <.*//; s/   .*//' |
  grep -oE -- '--?[A-Za-z][A-Za-z0-9-]*' || true)
if [ -z "$options" ]; then
  echo "no options found in $program --help"
  exit 1
fi
missing=0
for option in $options; do
  if ! grep -qF -- "*$option*" "$page"; then
    echo "$page does not describe $option"
    missing=1
  fi
done
exit $missing

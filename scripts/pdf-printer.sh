#!/usr/bin/env bash
# Makes a printer "PDF" available to Windows programs under Wine: Wine's
# printer driver hands print jobs to CUPS, whose cups-pdf back end writes
# each job as $HOME/PDF/<document name>...job_N.pdf a few seconds after EndDoc.
# Idempotent: installs what is missing, starts cupsd when it is not running
# and adds the printer when CUPS does not know it yet.
#   bash scripts/pdf-printer.sh
set -euo pipefail

packages=(cups printer-driver-cups-pdf ghostscript poppler-utils)
ppd=/usr/share/ppd/cups-pdf/CUPS-PDF_opt.ppd

sudo=
if [ "$(id -u)" -ne 0 ]; then
  sudo=sudo
fi

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "pdf-printer: installing ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  $sudo apt-get update -qq
  $sudo apt-get install -y -qq -o DPkg::Lock::Timeout=600 --no-install-recommends \
    "${missing[@]}" >/dev/null
fi

# cupsd forks into the background; wait until it answers.
if ! lpstat -r 2>/dev/null | grep -q 'is running'; then
  $sudo cupsd
  for _ in $(seq 100); do
    lpstat -r 2>/dev/null | grep -q 'is running' && break
    sleep 0.1
  done
  lpstat -r 2>/dev/null | grep -q 'is running' || { echo "pdf-printer: cupsd did not start" >&2; exit 1; }
fi

if ! lpstat -p PDF >/dev/null 2>&1; then
  $sudo lpadmin -p PDF -v cups-pdf:/ -E -P "$ppd"
  $sudo lpadmin -d PDF
fi
mkdir -p "$HOME/PDF"
echo "pdf-printer: printer PDF ready, jobs go to $HOME/PDF/"

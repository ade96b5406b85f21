# Shared by the setup scripts (source it): installs Debian packages that are not yet
# installed, as root or through sudo.

apt_sudo=""; [ "$(id -u)" -eq 0 ] || apt_sudo="sudo"
# Another installation running at the same time holds dpkg's lock: wait for it.
apt_wait_lock="-o DPkg::Lock::Timeout=900"

# A mirror in the middle of a sync answers some indexes with the wrong size ("Mirror sync
# in progress?"), and apt-get update then fails although most lists are fine. Try a few
# times, then go on with the lists that are there: the install says clearly if a package
# really cannot be had.
apt_update() {
  local try
  for try in 1 2 3; do
    if $apt_sudo apt-get update -qq $apt_wait_lock; then return 0; fi
    echo "setup: apt-get update failed (attempt $try of 3)" >&2
    [ "$try" -lt 3 ] && sleep $((try * 10))
  done
  echo "setup: going on with the package lists that could be read" >&2
  return 0
}

# apt_missing PACKAGE... prints the packages of the list that are not installed.
apt_missing() {
  local p
  for p in "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || echo "$p"
  done
}

# apt_install PACKAGE... installs those not yet installed, without recommends.
apt_install() {
  local missing
  mapfile -t missing < <(apt_missing "$@")
  ((${#missing[@]})) || return 0
  apt_update
  DEBIAN_FRONTEND=noninteractive $apt_sudo apt-get install -y -qq --no-install-recommends $apt_wait_lock \
    "${missing[@]}" >/dev/null
}

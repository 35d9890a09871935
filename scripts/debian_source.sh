# Sourced by the scripts that build a library for Windows from Debian's own source of it.
# Usage: debian_source WORK APT-SOURCE-ARGUMENTS..., e.g. debian_source "$work" -qq pcre2=10.42-1:
# apt-get source in WORK, from the registry the machine's own packages come from (deb-src of its
# first Debian source entry), with a private apt state so the machine's lists stay as they are.
debian_source() {
    local work=$1
    shift
    local uri
    uri=$(awk '/^URIs:/ {print $2; exit}' /etc/apt/sources.list.d/*.sources 2>/dev/null || true)
    [ -n "$uri" ] || uri=$(awk '$1 == "deb" {print $2; exit}' /etc/apt/sources.list)
    mkdir -p "$work/apt/lists/partial"
    echo "deb-src [signed-by=/usr/share/keyrings/debian-archive-keyring.gpg] $uri bookworm main" \
        >"$work/apt/src.list"
    local apt_o=(-o Dir::Etc::sourcelist="$work/apt/src.list" -o Dir::Etc::sourceparts=/nonexistent
        -o Dir::State::Lists="$work/apt/lists")
    apt-get "${apt_o[@]}" update -qq >&2
    (cd "$work" && apt-get "${apt_o[@]}" source "$@" >&2)
}

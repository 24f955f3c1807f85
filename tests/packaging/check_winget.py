"""Checks the winget manifest set that scripts/package.sh writes: the three
files winget needs for a multi-file manifest, each with the fields its
schema requires and values of the allowed kinds, all naming one package and
version, and an installer hash that is the setup program's.

    python3 tests/packaging/check_winget.py build/dist VERSION

Prints one line per check and ends with "winget: N passed, N failed".
"""

import hashlib
import pathlib
import re
import sys

import yaml

IDENT = "TallowLabs.Keyloom"
MANIFEST_VERSION = re.compile(r"^(0|[1-9]\d*)\.(0|[1-9]\d*)\.(0|[1-9]\d*)$")
# The schema's own patterns for these fields.
IDENTIFIER = re.compile(r"^[^.\s\\/:*?\"<>|\x01-\x1f]{1,32}(\.[^.\s\\/:*?\"<>|\x01-\x1f]{1,32}){1,7}$")
SHA256 = re.compile(r"^[A-Fa-f0-9]{64}$")
ARCHITECTURES = {"x86", "x64", "arm", "arm64", "neutral"}
INSTALLER_TYPES = {"msix", "msi", "appx", "exe", "zip", "inno", "nullsoft", "wix", "burn", "pwa", "portable"}
SCOPES = {"user", "machine"}
REQUIRED = {
    "version": ["PackageIdentifier", "PackageVersion", "DefaultLocale", "ManifestType", "ManifestVersion"],
    "installer": ["PackageIdentifier", "PackageVersion", "Installers", "ManifestType", "ManifestVersion"],
    "defaultLocale": ["PackageIdentifier", "PackageVersion", "PackageLocale", "Publisher", "PackageName",
                      "License", "ShortDescription", "ManifestType", "ManifestVersion"],
}


def main(dist, version):
    results = []

    def check(name, ok, detail=""):
        results.append(ok)
        print(f"{'ok' if ok else 'FAIL'}  {name}{'' if ok or not detail else ': ' + detail}")

    folder = dist / "winget" / "manifests" / "t" / "TallowLabs" / "Keyloom" / version
    names = {"version": f"{IDENT}.yaml", "installer": f"{IDENT}.installer.yaml",
             "defaultLocale": f"{IDENT}.locale.en-US.yaml"}
    manifests = {}
    for kind, name in names.items():
        path = folder / name
        try:
            manifests[kind] = yaml.safe_load(path.read_text(encoding="utf-8"))
        except (OSError, yaml.YAMLError) as error:
            check(f"{name} reads as YAML", False, str(error))
            continue
        manifest = manifests[kind]
        missing = [field for field in REQUIRED[kind] if not manifest.get(field)]
        check(f"{name} has the required fields", not missing, f"missing {missing}")
        check(f"{name} is a {kind} manifest of a known schema version",
              manifest.get("ManifestType") == kind and bool(MANIFEST_VERSION.match(str(manifest.get("ManifestVersion")))),
              f"{manifest.get('ManifestType')} {manifest.get('ManifestVersion')}")
        # A version such as 1.0 would read as a number: it has to be a string.
        check(f"{name} names {IDENT} {version}",
              manifest.get("PackageIdentifier") == IDENT and IDENTIFIER.match(IDENT) is not None
              and manifest.get("PackageVersion") == version,
              f"{manifest.get('PackageIdentifier')!r} {manifest.get('PackageVersion')!r}")

    if "version" in manifests and "defaultLocale" in manifests:
        check("the default locale is the locale manifest's",
              manifests["version"].get("DefaultLocale") == manifests["defaultLocale"].get("PackageLocale"))

    installer = manifests.get("installer") or {}
    entries = installer.get("Installers") or []
    check("there is one installer", len(entries) == 1, repr(entries))
    setup = dist / f"Keyloom-{version}-setup.exe"
    sha = hashlib.sha256(setup.read_bytes()).hexdigest().upper() if setup.exists() else None
    for entry in entries:
        # Fields may be set for all installers at the top or per installer.
        field = lambda key: entry.get(key, installer.get(key))  # noqa: E731
        check("the installer is the 32-bit nullsoft setup, for the machine",
              field("Architecture") in ARCHITECTURES and field("Architecture") == "x86"
              and field("InstallerType") in INSTALLER_TYPES and field("InstallerType") == "nullsoft"
              and field("Scope") in SCOPES and field("Scope") == "machine",
              f"{field('Architecture')} {field('InstallerType')} {field('Scope')}")
        url = str(field("InstallerUrl") or "")
        check("the installer's address is https and names the setup program",
              url.startswith("https://") and url.endswith(f"/Keyloom-{version}-setup.exe"), url)
        digest = str(field("InstallerSha256") or "")
        check("the installer's SHA-256 is the setup program's",
              SHA256.match(digest) is not None and digest.upper() == sha, f"{digest} against {sha}")
        switches = field("InstallerSwitches") or {}
        check("the silent switches are the setup program's /S",
              switches.get("Silent") == "/S" and switches.get("SilentWithProgress") == "/S", repr(switches))

    failed = results.count(False)
    print(f"winget: {len(results) - failed} passed, {failed} failed")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main(pathlib.Path(sys.argv[1]), sys.argv[2]))

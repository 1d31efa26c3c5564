#!/usr/bin/env python3
"""The set-up scripts' choices when the registry misbehaves, with fakes of
apt-get, dpkg, dpkg-query and sudo first on PATH: no real package is looked
up or installed, nothing waits.

The fake apt-get keeps the installed packages in a state file; FAKE_UPDATE_RC
is what `update` exits with, FAKE_BROKEN names the packages no install can
get, and FAKE_LEAVES the ones a failed install leaves half installed."""
import argparse
import os
import subprocess
import sys
import tempfile

FAKE_APT = r'''#!/usr/bin/env bash
state=$FAKE_STATE
echo "apt-get $*" >>"$state/calls"
args=()
while (($#)); do
  case $1 in
    -o) shift 2 ;;
    -*) shift ;;
    *) args+=("$1"); shift ;;
  esac
done
case ${args[0]} in
  update)
    [[ ${FAKE_UPDATE_RC:-0} == 0 ]] ||
      echo "E: File has unexpected size (374820 != 376004). Mirror sync in progress?" >&2
    exit "${FAKE_UPDATE_RC:-0}" ;;
  install)
    for p in "${args[@]:1}"; do
      for b in $FAKE_BROKEN; do
        if [[ $p == "$b" ]]; then
          echo "E: Unable to correct problems, you have held broken packages. ($p)" >&2
          for l in $FAKE_LEAVES; do echo "$l iU" >>"$state/installed"; done
          exit 100
        fi
      done
    done
    for p in "${args[@]:1}"; do echo "$p:amd64 ii" >>"$state/installed"; done ;;
  purge)
    for p in "${args[@]:1}"; do
      grep -v "^$p " "$state/installed" >"$state/left"
      mv "$state/left" "$state/installed"
    done ;;
esac
'''

FAKE_DPKG = r'''#!/usr/bin/env bash
state=$FAKE_STATE
echo "dpkg $*" >>"$state/calls"
case $1 in
  --print-foreign-architectures) cat "$state/arches" ;;
  --add-architecture) echo "$2" >>"$state/arches" ;;
  --remove-architecture)
    if grep -q ":$2 " "$state/installed"; then
      echo "dpkg: error: cannot remove architecture '$2' currently in use by the database" >&2
      exit 2
    fi
    grep -vx "$2" "$state/arches" >"$state/left"; mv "$state/left" "$state/arches" ;;
esac
'''

FAKE_DPKG_QUERY = r'''#!/usr/bin/env bash
state=$FAKE_STATE
format=$2
shift 2
if [[ $format == *Architecture* ]]; then
  # Every package: "name:arch status".
  cat "$state/installed"
else
  installed=$(<"$state/installed")
  for p in "$@"; do
    [[ $'\n'$installed == *$'\n'$p:* ]] && printf '%s\tinstall ok installed\n' "$p"
  done
fi
exit 0
'''

FAKE_SUDO = '#!/usr/bin/env bash\nexec "$@"\n'


def run(source, state, script, env):
    full = dict(os.environ)
    full.update({'PATH': os.path.join(state, 'bin') + os.pathsep + os.environ['PATH'], 'FAKE_STATE': state,
                 'TARVEX_APT_RETRY_SECONDS': '0', 'TARVEX_WINDOWS_DECIDE_ONLY': '1'})
    full.pop('TARVEX_WINDOWS_WAY', None)
    full.update(env)
    return subprocess.run(['bash', '-c', script], cwd=source, env=full, capture_output=True, text=True, timeout=60)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument('--source', required=True)
    args = parser.parse_args()
    deps = 'source scripts/deps.sh && tarvex_install_packages'
    windows = 'bash scripts/test.d/windows.sh'
    # (name, script, environment, exit 0?, texts in the output, texts not in it,
    #  calls made in this order (None: none at all), the i386 architecture left?)
    cases = [
        ('update fails: deps warns, retries once, installs', deps, {'FAKE_UPDATE_RC': '100'}, True,
         ['warning: apt-get update failed; trying again in 0s', 'installing with the package indices at hand'],
         ['Cannot install'], ['update', 'update', 'install'], False),
        ('update fails: windows goes on the 32-bit way', windows,
         {'FAKE_UPDATE_RC': '100', 'TARVEX_WINDOWS_RUNS_32BIT': 'yes'}, True,
         ['warning: apt-get update failed', 'windows: tests under wine32 on the mingw32 build '
          '(this machine runs 32-bit programs)'], [], [], True),
        ('wine32 cannot be installed: the 64-bit way, saying why, i386 gone', windows,
         {'FAKE_BROKEN': 'wine32', 'FAKE_LEAVES': 'libwine:i386', 'TARVEX_WINDOWS_RUNS_32BIT': 'yes'}, True,
         ['windows: tests under wine64 on the mingw64 build, mingw32 built and its imports checked '
          '(this machine runs 32-bit programs, but wine32 cannot be installed)', 'Cannot install: wine32'],
         ['warning'], ['purge', 'dpkg --remove-architecture i386'], False),
        ('a machine without 32-bit programs takes the 64-bit way at once', windows,
         {'TARVEX_WINDOWS_RUNS_32BIT': 'no'}, True,
         ['(this machine cannot run 32-bit programs)'], ['i386'], [], False),
        ('forced 32-bit way that cannot be installed fails', windows,
         {'FAKE_BROKEN': 'wine32', 'TARVEX_WINDOWS_WAY': '32'}, False,
         ['the 32-bit way (TARVEX_WINDOWS_WAY=32) cannot be installed: wine32'], ['wine64'],
         ['dpkg --remove-architecture i386'], False),
        ('neither way can be installed', windows,
         {'FAKE_BROKEN': 'g++-mingw-w64-i686-posix', 'TARVEX_WINDOWS_RUNS_32BIT': 'yes'}, False,
         ['windows: neither way can be installed', 'lacks g++-mingw-w64-i686-posix'], ['tests under'], [], False),
        ('a needed package cannot be installed: deps fails, naming it', deps, {'FAKE_BROKEN': 'as31'}, False,
         ['Cannot install: as31', 'you have held broken packages. (as31)'], ['warning'], [], False),
        ('everything installed: no apt at all', deps, {'FAKE_INSTALLED': 'all'}, True, [], ['Installing'], None,
         False),
    ]
    failures = 0
    with tempfile.TemporaryDirectory() as top:
        for number, (name, script, env, ok, wanted, unwanted, calls, i386_left) in enumerate(cases):
            state = os.path.join(top, str(number))
            os.makedirs(os.path.join(state, 'bin'))
            for tool, text in (('apt-get', FAKE_APT), ('dpkg', FAKE_DPKG), ('dpkg-query', FAKE_DPKG_QUERY),
                               ('sudo', FAKE_SUDO)):
                path = os.path.join(state, 'bin', tool)
                with open(path, 'w') as f:
                    f.write(text)
                os.chmod(path, 0o755)
            open(os.path.join(state, 'arches'), 'w').close()
            with open(os.path.join(state, 'installed'), 'w') as f:
                if env.pop('FAKE_INSTALLED', None):
                    for p in subprocess.run(['bash', '-c', 'source scripts/deps.sh; echo "${TARVEX_PACKAGES[@]}"'],
                                            cwd=args.source, capture_output=True, text=True).stdout.split():
                        f.write('%s:amd64 ii\n' % p)
            open(os.path.join(state, 'calls'), 'w').close()
            result = run(args.source, state, script, env)
            output = result.stdout + result.stderr
            with open(os.path.join(state, 'calls')) as f:
                made = f.read()
            with open(os.path.join(state, 'arches')) as f:
                arches = f.read().split()
            wrong = []
            if (result.returncode == 0) != ok:
                wrong.append('exit %d' % result.returncode)
            wrong += ['lacks "%s"' % w for w in wanted if w not in output]
            wrong += ['has "%s"' % u for u in unwanted if u in output]
            # The calls in their order.
            at = 0
            for call in calls or []:
                found = made.find(call, at)
                if found < 0:
                    wrong.append('no call "%s" (in order)' % call)
                else:
                    at = found + len(call)
            if ('i386' in arches) != i386_left:
                wrong.append('architectures %s' % arches)
            if calls is None and made:
                wrong.append('apt or dpkg called')
            if wrong:
                failures += 1
                print('FAIL %s: %s\n--- output\n%s--- calls\n%s' % (name, '; '.join(wrong), output, made))
            else:
                print('ok   %s' % name)
    return 1 if failures else 0


if __name__ == '__main__':
    sys.exit(main())

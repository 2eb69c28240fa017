"""The module's names: documented, matched by the type stubs beside it, installed by
cmake --install, and the README's example runs as written."""

import ast
import inspect
import os
import pathlib
import re
import shutil
import subprocess
import sys

import seepage
from conftest import BUILD_DIR, EXAMPLE, SOURCE_DIR, child_environment


def public(names):
    return {name for name in names if not name.startswith("_")}


def module_names():
    """Public names of the module, and of each of its classes (their own, not inherited from
    object)."""
    names = {name: None for name in public(dir(seepage)) if not inspect.ismodule(
        getattr(seepage, name))}
    for name in list(names):
        value = getattr(seepage, name)
        if inspect.isclass(value) and value.__module__ == "seepage" and not issubclass(
                value, BaseException):
            names[name] = public(vars(value)) | {n for n in ("__iter__", "__next__", "__enter__",
                                                             "__exit__") if n in vars(value)}
    return names


def stub_names(path):
    tree = ast.parse(path.read_text(encoding="utf-8"))
    names = {}
    for node in tree.body:
        if isinstance(node, ast.ClassDef):
            members = {item.name for item in node.body
                       if isinstance(item, (ast.FunctionDef, ast.AnnAssign))}
            names[node.name] = None if node.bases and ast.unparse(node.bases[0]) == "ValueError" \
                else public(members) | {m for m in members if m in ("__iter__", "__next__",
                                                                     "__enter__", "__exit__")}
        elif isinstance(node, ast.FunctionDef):
            names[node.name] = None
    return names


def test_every_name_has_a_docstring():
    assert seepage.__doc__
    for name, members in module_names().items():
        value = getattr(seepage, name)
        assert value.__doc__, name
        for member in members or ():
            assert getattr(value, member).__doc__, "%s.%s" % (name, member)


def test_the_stubs_beside_the_module_name_what_the_module_has():
    stubs = pathlib.Path(seepage.__file__).with_name("seepage.pyi")
    assert stubs.read_bytes() == (SOURCE_DIR / "python" / "seepage.pyi").read_bytes()
    found = {name: sorted(members) if members is not None else None
             for name, members in module_names().items() if name != "ResultFileError"}
    stubbed = {name: sorted(members) if members is not None else None
               for name, members in stub_names(stubs).items() if name != "ResultFileError"}
    assert found == stubbed
    assert issubclass(seepage.ResultFileError, ValueError)


def test_cmake_install_puts_the_module_into_the_prefix_site_packages(tmp_path):
    prefix = tmp_path / "prefix"
    subprocess.run(["cmake", "--install", str(BUILD_DIR), "--prefix", str(prefix)], check=True,
                   capture_output=True)
    site = prefix / os.environ.get("SEEPAGE_PYTHON_INSTALL_DIR", "lib/python%d.%d/site-packages"
                                   % sys.version_info[:2])
    assert (site / "seepage.pyi").is_file()
    # A child interpreter that sees only the installed copy.
    environment = dict(os.environ, PYTHONPATH=str(site))
    child = subprocess.run(
        [sys.executable, "-c", "import seepage; r = seepage.open(%r); "
         "print(seepage.__file__, r.node_count, len(list(r)))" % str(EXAMPLE)],
        capture_output=True, text=True, env=environment, cwd=tmp_path, timeout=60)
    assert child.returncode == 0, child.stderr
    location, nodes, steps = child.stdout.split()
    assert pathlib.Path(location).parent == site
    assert (nodes, steps) == ("19", "4")


def test_the_readme_example_runs_as_written(tmp_path):
    readme = (SOURCE_DIR / "README.md").read_text(encoding="utf-8")
    section = readme[readme.index("## Python module"):]
    example = re.search(r"```python\n(.*?)```", section, re.S).group(1)
    assert len(example.strip().splitlines()) <= 12
    (tmp_path / "examples").mkdir()
    shutil.copy(EXAMPLE, tmp_path / "examples" / "RES.DAT")
    child = subprocess.run([sys.executable, "-c", example], capture_output=True, text=True,
                           cwd=tmp_path, env=child_environment(MPLBACKEND="Agg"), timeout=120)
    assert child.returncode == 0, child.stderr
    assert "3.1" in child.stdout  # the total heads it prints

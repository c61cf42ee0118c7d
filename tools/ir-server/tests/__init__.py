"""Tests of the local IR server. From the repository root:

    python3 -m unittest discover -s tools/ir-server -t tools/ir-server -p 'test_*.py'
"""

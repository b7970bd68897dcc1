<?php
require __DIR__ . '/db.php';
$db = demo_db();
$visits = null;
if ($db) {
    $db->query('INSERT INTO visits () VALUES ()');
    $visits = (int) $db->query('SELECT COUNT(*) FROM visits')->fetch_row()[0];
}
?><!DOCTYPE html>
<html lang="en">
<head><meta charset="utf-8"><title>Quindle Demo</title><link rel="stylesheet" href="style.css"></head>
<body>
<header><h1>Quindle Demo</h1>This site runs on PHP inside a desktop window.</header>
<main>
<nav><a href="guestbook.php">Guestbook</a><a href="popups.php">Popups</a>
<a href="close.php">Close the window</a><a href="/quindle-help">Help</a></nav>
<section>
<h2>PHP</h2>
<dl>
<dt>PHP version</dt><dd id="php-version"><?= h(PHP_VERSION) ?></dd>
<dt>php.ini in use</dt><dd id="php-ini"><?= h((string) php_ini_loaded_file()) ?></dd>
<dt>PHPRC</dt><dd id="phprc"><?= h((string) getenv('PHPRC')) ?></dd>
<dt>Application</dt><dd id="app"><?= h((string) getenv('SERVER_APPNAME')) ?> <?= h((string) getenv('SERVER_FILEVERSION')) ?></dd>
<dt>Language</dt><dd id="language"><?= h((string) getenv('OS_LANGUAGE')) ?></dd>
</dl>
</section>
<section>
<h2>Database</h2>
<?php if ($db): ?>
<p class="ok" id="database">Connected to MariaDB <?= h($db->server_info) ?> on port <?= (int) ini_get('mysqli.default_port') ?>.</p>
<p>This page has been shown <strong id="visits"><?= $visits ?></strong> times.</p>
<?php else: ?>
<p class="bad" id="database">No database server in this package run.</p>
<?php endif; ?>
</section>
</main>
</body>
</html>

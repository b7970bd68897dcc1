<?php
require __DIR__ . '/db.php';
$db = demo_db();
if ($db && $_SERVER['REQUEST_METHOD'] === 'POST') {
    $name = trim((string) ($_POST['name'] ?? ''));
    $message = trim((string) ($_POST['message'] ?? ''));
    if ($name !== '' && $message !== '') {
        $stmt = $db->prepare('INSERT INTO guestbook (name, message) VALUES (?, ?)');
        $stmt->bind_param('ss', $name, $message);
        $stmt->execute();
    }
    header('Location: guestbook.php');
    exit;
}
$entries = $db ? $db->query('SELECT name, message, at FROM guestbook ORDER BY id DESC') : null;
?><!DOCTYPE html>
<html lang="en">
<head><meta charset="utf-8"><title>Guestbook</title><link rel="stylesheet" href="style.css"></head>
<body>
<header><h1>Guestbook</h1>Entries are kept in the package's own database.</header>
<main>
<nav><a href="index.php">Home</a></nav>
<?php if (!$db): ?>
<p class="bad">No database server in this package run.</p>
<?php else: ?>
<section>
<form method="post">
<p><label>Name <input name="name" maxlength="100" required></label></p>
<p><label>Message<br><textarea name="message" rows="3" cols="50" required></textarea></label></p>
<p><button type="submit">Sign</button></p>
</form>
</section>
<section id="entries">
<?php while ($row = $entries->fetch_assoc()): ?>
<p class="entry"><strong><?= h($row['name']) ?></strong> (<?= h($row['at']) ?>):<br><?= nl2br(h($row['message'])) ?></p>
<?php endwhile; ?>
</section>
<?php endif; ?>
</main>
</body>
</html>
